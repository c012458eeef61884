// A fault may stop an action, but a window the command still waits on must still let a person out.
// After a case whose fault fired once, in its last line, and left the command running with windows
// shown, each way out a person has there (a dialog's Cancel and close box, a message box's OK) is
// pressed in a run of its own: the same fault, the same lines, then the press. The fault has fired
// by then, so the press itself runs without one, and one that reaches no action of the command,
// moves it to no other state and changes nothing a person can see leaves a person shut in: a dead
// button. A fault that fires from then on may rightly leave a press unanswered: those are not
// pressed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Case.h"
#include "Runner.h"

namespace vexvalidator {

// The lines among `possible` that a person takes to leave a window: a Cancel, a close box, a
// message box's OK; in the order given.
std::vector<std::string> WaysOut(const std::vector<std::string>& possible);

// Follows a case under a fault: whether the fault fired during its last line, and if the command
// then still runs, the ways out of what it shows.
class FaultedEnding : public CaseObserver {
 public:
  // `lastIndex`: the index of the case's last line.
  explicit FaultedEnding(int lastIndex) : _LastIndex(lastIndex) {}
  void LineBegins(vexhost::Session& session, int index) override;
  void StepsDone(vexhost::Session& session, vexdrive::Desk& desk) override;

  // Empty unless the fault fired in the last line and the command waits with a window shown.
  const std::vector<std::string>& WaysOut() const { return _WaysOut; }

 private:
  int _LastIndex;
  int _InjectedBefore = -1;  // the faults injected when the last line began; -1: not reached
  std::vector<std::string> _WaysOut;
};

// Follows a case whose last line is a press: whether that press was answered, as the dead-button
// check of a step has it (an action ran, the command's state or what is shown changed).
class PressAnswer : public CaseObserver {
 public:
  explicit PressAnswer(int pressIndex) : _PressIndex(pressIndex) {}
  void LineBegins(vexhost::Session& session, int index) override;
  void StepsDone(vexhost::Session& session, vexdrive::Desk& desk) override;

  // Whether the press was made and nothing answered it.
  bool Dead() const { return _Dead; }

 private:
  int _PressIndex;
  bool _Began = false;
  std::size_t _JournalBefore = 0;
  std::string _FingerprintBefore;
  bool _Dead = false;
};

// The finding of a way out that a fault, `faultName` at its `point`th fault point, left dead; the
// press is `lines[step]`, and the replay ends there expecting it answered.
Finding DeadAfterFault(const std::string& faultName, int point, const std::string& press, int step);

}  // namespace vexvalidator
