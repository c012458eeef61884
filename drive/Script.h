// Running script lines against the desk: one command a line, from a file, from standard input,
// or typed at a prompt.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "Desk.h"
#include "Expectations.h"
#include "Words.h"

namespace vexdrive {

class Script {
 public:
  // Interactive: a prompt, no echo of the lines, the open dialogs drawn after each step, and a line
  // that cannot be done is reported without ending the session.
  Script(Desk& desk, std::ostream& out, std::ostream& err, bool interactive);

  // Runs lines until the input ends, `quit`, or (when not interactive) a line that cannot be
  // understood or done. `source` names the input in messages.
  void Run(std::istream& in, const std::string& source);

  bool Stopped() const { return _Stopped; }
  // Lines that could not be understood or done (at a prompt the session goes on after them).
  int RefusedLines() const { return _Refused; }
  int FailedExpectations() const { return _Failed; }
  // How long the steps took, the slowest so far (`expect steps within MS` checks it).
  const StepTimes& Times() const { return _Times; }

  // The commands and what they do, for `help` and --help.
  static std::string Help();
  // Every verb a line can begin with, short and generic forms and their other names.
  static std::vector<std::string> VerbNames();

 private:
  struct Verb;
  static const std::vector<Verb>& Verbs();
  void Do(const ScriptLine& line);
  void Step();
  void Show();
  void Tree();
  void Browse(const std::string& className);
  void Expect(const std::string& words);
  void Say(const std::string& text);

  Desk& _Desk;
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
