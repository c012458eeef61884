// Running script lines against the desk: one command a line, from a file, from standard input,
// or typed at a prompt.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "Action.h"
#include "Desk.h"
#include "Errors.h"
#include "Expectations.h"
#include "Profile.h"
#include "Words.h"

namespace vexdrive {

class Script {
 public:
  // Interactive: a prompt, no echo of the lines, the open dialogs drawn after each step, and a line
  // that cannot be done is reported without ending the session.
  // The profile's short forms are understood when one is given; it must outlive the script.
  Script(Desk& desk, std::ostream& out, std::ostream& err, bool interactive, const Profile* profile = nullptr);

  // Runs lines until the input ends, `quit`, or (when not interactive) a line that cannot be
  // understood or done. `source` names the input in messages.
  void Run(std::istream& in, const std::string& source);
  // Does one action as Run does the line that stands for it: echoed (when not interactive), its
  // changes reported, and a refusal reported as the refusal of line 1 of `source`.
  void Act(const Action& action, const std::string& source);

  bool Stopped() const { return _Stopped; }
  // Lines that could not be understood or done (at a prompt the session goes on after them).
  int RefusedLines() const { return _Refused; }
  int FailedExpectations() const { return _Failed; }
  // How long the steps took, the slowest so far (`expect steps within MS` checks it).
  const StepTimes& Times() const { return _Times; }

  // The commands and what they do, for `help` and --help.
  static std::string Help(const Profile* profile = nullptr);

 private:
  void Do(const ScriptLine& line);
  void Do(const std::string& text, const Action& action);
  void Refuse(const std::string& source, int number, const LineError& error);
  void DoOwn(const ScriptLine& line);
  void Step();
  void Show();
  void Tree();
  void Expect(const std::string& words);
  void Say(const std::string& text);

  Desk& _Desk;
  const Profile* _Profile;  // borrowed; null: no short forms
  std::ostream& _Out;
  std::ostream& _Err;
  bool _Interactive;
  bool _Quit = false;
  bool _Stopped = false;
  int _Failed = 0;
  int _Refused = 0;
  // The line being done and when it began: a step is timed from there to its end.
  std::string _Line;
  std::chrono::steady_clock::time_point _LineBegan;
  StepTimes _Times;
};

}  // namespace vexdrive
