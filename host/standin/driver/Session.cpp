// driver: the top of the stand-in, which nothing of it includes. Opening and closing a session
// (here: each concern opens or closes its part in turn) and its accounting; the user's hands
// (Hands.cpp) and snapshots of what the host shows (Snapshot.cpp).
#include "vexhost/Session.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "dialogs/Frame.h"
#include "dialogs/Resources.h"
#include "engine/Engine.h"
#include "products/Documents.h"
#include "records/Objects.h"
#include "session/SessionState.h"
#include "vexhost/Accounting.h"

namespace vexhost {

using namespace detail;

Session::Session(SessionOptions options) : _State(std::make_unique<State>(std::move(options))) {
  BeginSession(*this);
  CheckResourceFolders(_State->Options.ResourceDirs);
  OpenFrame(*_State);
}

void Session::CheckResourceFolders(const std::vector<std::string>& dirs) { detail::CheckResourceFolders(dirs); }

Session::~Session() {
  State& state = *_State;
  CancelRunningCommand();
  RunDelayedDestructions(state);
  CloseDocument(state);
  CloseFrame(state);
  EndSession(state);
}

bool Session::ReopenDocument() {
  if (!HasDocument()) return false;
  State& state = *_State;
  CancelRunningCommand();
  RunDelayedDestructions(state);
  const DocumentData opened = ProductsOf(state).Document;
  OpenDocument(opened);
  return true;
}

AccountingReport Session::Accounting() const {
  AccountingReport report;
  std::map<const VexBaseUnknown*, std::uint32_t> onActivePath;
  const Editor* editor = ProductsOf(*_State).Editor;
  if (editor != nullptr && editor->ActivePath != nullptr) {
    for (VexBaseUnknown* object : editor->ActivePath->GetImpl()->Objects) ++onActivePath[object];
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
  report.Misuses = _State->Misuses;
  report.WrongClasses = _State->WrongClasses;
  report.OffThreadCalls = _State->OffThreadCalls;
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
  for (const auto& line : Misuses) out += "misuse: " + line + '\n';
  for (const auto& line : WrongClasses) out += "wrong class: " + line + '\n';
  for (const auto& line : OffThreadCalls) out += "off-thread call: " + line + '\n';
  return out;
}

}  // namespace vexhost
