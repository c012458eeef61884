// A host session: its infrastructure, its observations and its accounting.
#include "vexhost/Session.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "SessionState.h"

namespace vexhost {

using namespace detail;

namespace detail {

Session::State& CurrentState() {
  Session* session = Host().CurrentSession;
  if (session == nullptr) throw std::logic_error("no host session is open");
  return Inspect::State(*session);
}

bool HasSession() { return Host().CurrentSession != nullptr; }

void SetActive(Session::State& state, const std::vector<std::string>& names);
void DropEditor(Session::State& state);

}  // namespace detail

Session::Session(SessionOptions options) : _State(std::make_unique<State>()) {
  HostState& host = Host();
  if (host.CurrentSession != nullptr) throw std::logic_error("a host session is already open");
  host.CurrentSession = this;
  host.TheJournal.Clear();
  host.Faults.Clear();
  host.Errors.clear();
  host.Objects.ClearOverReleases();
  _State->Options = std::move(options);

  InfrastructureScope owned;
  InternalScope internal;
  if (_State->Options.WithLayout) {
    _State->Layout = Inspect::NewLayout();
    if (_State->Options.WithMainWindow) {
      _State->MainWindow = new VexDlgWindow(nullptr, "MainWindow", 0);
      Inspect::Visibility(*_State->MainWindow) = VexDlgShow;
      Inspect::MainWindow(*_State->Layout) = _State->MainWindow;
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
    delete state.MainWindow;  // its remaining children go with it
    delete state.Layout;
  }
  Host().Objects.Reclaim(true);
  Host().CurrentSession = nullptr;
}

Session* Session::Current() { return Host().CurrentSession; }

Journal& Session::GetJournal() { return Host().TheJournal; }

FaultPlan& Session::Faults() { return Host().Faults; }

VexDlgWindow* Session::MainWindow() const { return _State->MainWindow; }

std::vector<VexDialog*> Session::OpenDialogs() const {
  std::vector<VexDialog*> dialogs;
  for (const auto& [object, record] : Host().Objects.Objects()) {
    if (record.Dead) continue;
    auto* dialog = dynamic_cast<VexDialog*>(const_cast<VexBaseUnknown*>(object));
    if (dialog == nullptr || dialog == _State->MainWindow) continue;
    VexDialog* parent = Inspect::Parent(*dialog);
    if (parent == nullptr || parent == _State->MainWindow) dialogs.push_back(dialog);
  }
  // In order of names, so that what is drawn does not depend on addresses.
  std::sort(dialogs.begin(), dialogs.end(), [](VexDialog* a, VexDialog* b) {
    return std::string(a->GetName().CastToCharPtr()) < b->GetName().CastToCharPtr();
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

const std::vector<CaughtError>& Session::Errors() const { return Host().Errors; }

const std::vector<std::string>& Session::ResourceDirs() const { return _State->Options.ResourceDirs; }

int Session::LiveObjects() {
  int live = 0;
  for (const auto& [object, record] : Host().Objects.Objects()) live += record.Dead ? 0 : 1;
  return live;
}

AccountingReport Session::Accounting() const {
  AccountingReport report;
  std::map<const VexBaseUnknown*, std::uint32_t> onActivePath;
  if (_State->Editor != nullptr && Inspect::ActivePath(*_State->Editor) != nullptr) {
    for (VexBaseUnknown* object : Inspect::Objects(*Inspect::ActivePath(*_State->Editor))) ++onActivePath[object];
  }
  for (const auto& [object, record] : Host().Objects.Objects()) {
    if (record.Dead) continue;
    auto* live = const_cast<VexBaseUnknown*>(object);
    const std::string label = detail::ClassOf(object) + " '" + record.Name + "'";
    if (!record.Infrastructure) {
      report.Live.push_back(label);
      continue;
    }
    // A host-owned object is held once by its owner and once by each active path through it.
    const std::uint32_t expected = 1 + onActivePath[object];
    const std::uint32_t count = Inspect::RefCount(*live);
    if (count != expected) {
      report.Unbalanced.push_back(label + " holds " + std::to_string(count) + " references, expected " +
                                  std::to_string(expected));
    }
  }
  std::sort(report.Live.begin(), report.Live.end());
  std::sort(report.Unbalanced.begin(), report.Unbalanced.end());
  report.OverReleases = Host().Objects.OverReleases();
  return report;
}

}  // namespace vexhost
