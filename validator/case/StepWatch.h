// Watches each step of a case run without faults, as a person would watch the screen: what is shown
// before and after the step (one scene a step, handed on to the next), whether a press reached the
// command, whether an ended command left its dialogs shown; and what the steps covered. A press of
// a sensitive button or a close box that reaches no action of the command, moves it to no other
// state and changes nothing a person can see is a dead button; a dialog still shown once the
// command has ended is left to nobody.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Case.h"
#include "Coverage.h"
#include "Scene.h"
#include "drive/Action.h"

namespace vexhost {
class Session;
class ChangeWatch;
struct ProductChange;
}  // namespace vexhost

namespace vexvalidator {

class StepWatch {
 public:
  // Takes the first scene of the session, whose document is open. `keepsApplied`: a command may
  // keep what it applied before a Cancel.
  explicit StepWatch(vexhost::Session& session, bool keepsApplied = false);
  ~StepWatch();
  StepWatch(const StepWatch&) = delete;
  StepWatch& operator=(const StepWatch&) = delete;

  void Before(const std::string& line);
  // After the step `index`; `accepted`: the host let the line be done.
  void After(const std::string& line, int index, bool accepted);

  // What is shown now, and its fingerprint.
  const Scene& Now() const { return _Sight; }
  const std::string& Fingerprint() const { return _Fingerprint; }
  // The fingerprint of the state before each line run, in order.
  const std::vector<std::string>& Trail() const { return _Trail; }
  std::vector<Finding>& Findings() { return _Findings; }
  const CaseCoverage& Coverage() const { return _Coverage; }

 private:
  void Take();  // a scene of the session as it stands, its fingerprint and the command's state
  void NoteFired(const std::string& line, const std::string& stateBefore, bool ranBefore);
  // The document's changes since the command started, kept net; after a Cancel that ended the
  // command, a change it left is a finding.
  void NoteChanges(const std::vector<vexhost::ProductChange>& changes);
  void CheckCancelLeftNothing(const std::string& line, int index);
  void KeepWhatAPressApplied(const std::string& line, const std::vector<std::string>& shownBefore);

  vexhost::Session& _Session;
  Scene _Sight;
  std::string _Fingerprint;
  std::string _CommandState;
  std::vector<std::string> _Trail;
  std::vector<Finding> _Findings;
  CaseCoverage _Coverage;
  // Before the step under way.
  std::size_t _JournalBefore = 0;
  int _EndedBefore = 0;
  std::chrono::steady_clock::time_point _Began;
  // Since the command's start: products created, and part numbers changed (path -> the first before, the last after).
  bool _KeepsApplied = false;
  std::unique_ptr<vexhost::ChangeWatch> _Changes;
  std::vector<std::vector<std::string>> _Created;
  std::map<std::vector<std::string>, std::pair<std::string, std::string>> _Renumbered;
};

// Whether a line presses a button or a close box: "press D/B", "close D", "acknowledge D".
bool IsPress(const std::string& line);
// The button a press reaches, as a person names it: "OK of 'Panel'", "the close box of 'Panel'",
// "OK of the message box 'Box'".
std::string ButtonName(const vexdrive::Action& press);
// A person's way to leave without applying: Cancel, or a window's close box.
bool IsLeaving(const vexdrive::Action& action);
// A person's way out of a window: leaving it, or a message box's OK.
bool IsWayOut(const vexdrive::Action& action);

}  // namespace vexvalidator
