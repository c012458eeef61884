// A host session: its infrastructure, its observations and its accounting.
#include "vexhost/Session.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "SessionState.h"

namespace vexhost {

using namespace detail;

Session::State& StateOf(Session& session) { return *session._State; }

namespace detail {

Session::State& CurrentState() {
  Session::State* state = OpenSession();
  if (state == nullptr) throw std::logic_error("no host session is open");
  return *state;
}

bool HasSession() { return OpenSession() != nullptr; }

}  // namespace detail

Session::Session(SessionOptions options) : _State(std::make_unique<State>(std::move(options))) {
  ProcessState& process = Process();
  if (process.CurrentSession != nullptr) throw std::logic_error("a host session is already open");
  process.CurrentSession = this;
  CheckResourceFolders(_State->Options.ResourceDirs);

  InfrastructureScope owned;
  InternalScope internal;
  if (_State->Options.WithLayout) {
    _State->Layout = new Layout();
    SetObjectName(_State->Layout, "Layout");
    if (_State->Options.WithMainWindow) {
      _State->MainWindow = new VexDlgWindow(nullptr, "MainWindow", 0);
      std::erase(_State->TopDialogs, _State->MainWindow);  // the frame of the others, not one of them
      DialogOf(*_State->MainWindow).Visibility = VexDlgShow;
      _State->Layout->MainWindow = _State->MainWindow;
    }
  }
}

Session::~Session() {
  State& state = *_State;
  CancelRunningCommand();
  RunDelayedDestructions(state);
  CloseDocument(state);
  {
    InternalScope internal;
    if (state.MainWindow != nullptr) DestroyObject(state.MainWindow);  // its remaining children go with it
    if (state.Layout != nullptr) DestroyObject(state.Layout);
  }
  state.TheJournal.Flush();
  state.Objects.Reclaim(true);
  // What is still alive now outlived the session: the process keeps count of it.
  Process().Outside.AdoptLiving(state.Objects);
  Process().CurrentSession = nullptr;
}

Session* Session::Current() { return Process().CurrentSession; }

Journal& Session::GetJournal() { return _State->TheJournal; }

FaultPlan& Session::Faults() { return _State->Faults; }

VexDlgWindow* Session::MainWindow() const { return _State->MainWindow; }

std::vector<VexDialog*> Session::OpenDialogs() const {
  std::vector<VexDialog*> dialogs;
  for (VexDialog* dialog : _State->TopDialogs) {
    if (!ImplOf(*dialog).IsDead()) dialogs.push_back(dialog);
  }
  // In order of names, so that what is drawn does not depend on the order of creation.
  std::stable_sort(dialogs.begin(), dialogs.end(), [](VexDialog* a, VexDialog* b) {
    return std::string_view(a->GetName().CastToCharPtr()) < std::string_view(b->GetName().CastToCharPtr());
  });
  return dialogs;
}

VexDialog* Session::FindDialog(const std::string& name) const {
  for (VexDialog* dialog : OpenDialogs()) {
    if (name == dialog->GetName().CastToCharPtr()) return dialog;
  }
  return nullptr;
}

bool Session::BusyCursor() const { return _State->Busy; }

const std::vector<CaughtError>& Session::Errors() const { return _State->Errors; }

void Session::CheckResourceFolders(const std::vector<std::string>& dirs) { detail::CheckResourceFolders(dirs); }

const std::vector<std::string>& Session::ResourceDirs() const { return _State->Options.ResourceDirs; }

int Session::LiveObjects() {
  int live = 0;
  auto count = [&](const VexObjectImpl& record) { live += record.State == Life::Alive ? 1 : 0; };
  if (Session::State* session = OpenSession()) session->Objects.ForEach(count);
  Process().Outside.ForEach(count);
  return live;
}

AccountingReport Session::Accounting() const {
  AccountingReport report;
  std::map<const VexBaseUnknown*, std::uint32_t> onActivePath;
  if (_State->Editor != nullptr && _State->Editor->ActivePath != nullptr) {
    for (VexBaseUnknown* object : _State->Editor->ActivePath->GetImpl()->Objects) ++onActivePath[object];
  }
  _State->Objects.ForEach([&](const VexObjectImpl& record) {
    if (record.State != Life::Alive) return;
    const std::string label = ClassOf(record.Object) + " '" + record.Name + "'";
    if (!record.Infrastructure) {
      report.Live.push_back(label);
      return;
    }
    // A host-owned object is held once by its owner and once by each active path through it.
    const std::uint32_t expected = 1 + onActivePath[record.Object];
    if (record.RefCount != expected) {
      report.Unbalanced.push_back(label + " holds " + std::to_string(record.RefCount) + " references, expected " +
                                  std::to_string(expected));
    }
  });
  std::sort(report.Live.begin(), report.Live.end());
  std::sort(report.Unbalanced.begin(), report.Unbalanced.end());
  report.OverReleases = _State->OverReleases;
  report.Violations = _State->Violations;
  return report;
}

std::string AccountingReport::Text() const {
  if (Clean()) {
    return "accounting: clean (no live host object, no unbalanced reference, no over-release)\n";
  }
  std::string out;
  for (const auto& line : Live) out += "live: " + line + '\n';
  for (const auto& line : Unbalanced) out += "unbalanced: " + line + '\n';
  for (const auto& line : OverReleases) out += "over-release: " + line + '\n';
  for (const auto& line : Violations) out += "violation: " + line + '\n';
  return out;
}

}  // namespace vexhost
