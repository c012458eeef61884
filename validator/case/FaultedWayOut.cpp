#include "FaultedWayOut.h"

#include "Actions.h"
#include "StepWatch.h"
#include "vexhost/Session.h"

namespace vexvalidator {

std::vector<std::string> WaysOut(const std::vector<std::string>& possible) {
  std::vector<std::string> ways;
  for (const auto& line : possible) {
    const std::optional<vexdrive::Action> action = ActionOf(line);
    if (action && IsWayOut(*action)) ways.push_back(line);
  }
  return ways;
}

void FaultedEnding::LineBegins(vexhost::Session& session, int index) {
  if (index == _LastIndex) _InjectedBefore = session.Faults().FaultsInjected();
}

void FaultedEnding::StepsDone(vexhost::Session& session, vexdrive::Desk& /*desk*/) {
  _WaysOut.clear();
  const bool firedLast = _InjectedBefore >= 0 && session.Faults().FaultsInjected() > _InjectedBefore;
  if (!firedLast || session.RunningCommand() == nullptr) return;
  _WaysOut = vexvalidator::WaysOut(PossibleLines(session));
}

void PressAnswer::LineBegins(vexhost::Session& session, int index) {
  if (index != _PressIndex) return;
  _Began = true;
  _JournalBefore = session.GetJournal().Size();
  _FingerprintBefore = StateFingerprint(session);
}

void PressAnswer::StepsDone(vexhost::Session& session, vexdrive::Desk& /*desk*/) {
  _Dead = _Began && session.GetJournal().Size() == _JournalBefore && StateFingerprint(session) == _FingerprintBefore;
}

Finding DeadAfterFault(const std::string& faultName, int point, const std::string& press, int step) {
  const std::optional<vexdrive::Action> action = ActionOf(press);
  const std::string button = action ? ButtonName(*action) : "`" + press + "`";
  return {kind::DeadButton,
          button + " does nothing when pressed after the fault '" + faultName + "' at point " + std::to_string(point) +
              " stopped the last step: the command waits, no transition fires and nothing a person can see changes",
          step, "expect answered"};
}

}  // namespace vexvalidator
