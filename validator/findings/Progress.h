// How far a validation has come, told on standard error while it runs: on a terminal one line,
// rewritten in place, with each phase's work done and in all and the time left; elsewhere (a CI
// log) one line as each phase ends, so that a log shows where a long validation spent its time,
// and a line of where it stands when nothing was told for a while: first after two seconds, then
// every thirty, so that a log never goes silent.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

namespace vexvalidator {

struct PhaseProgress {
  std::string Name;       // "exploration", "faults", "random"
  std::size_t Done = 0;   // jobs done: paths taken, sweeps over, sequences run
  std::size_t Total = 0;  // jobs known so far
  bool Over = false;      // all its jobs are done, and no more will come
  bool Growing = false;   // its total may still grow: jobs are still being found
  std::string Unit;       // "paths", "sweeps", "sequences"
  std::string Summary;    // what it did, for its line when it ends
};

class ProgressReport {
 public:
  ProgressReport(std::ostream& out, bool terminal) : _Out(out), _Terminal(terminal) {}

  // The phases as they stand after `seconds`.
  void Update(const std::vector<PhaseProgress>& phases, double seconds);
  // The validation is over: the terminal's line is cleared; a phase not yet told is told.
  void Finish(const std::vector<PhaseProgress>& phases, double seconds);

  // The time left, from the share of the jobs done so far; none when too little is done to tell.
  static std::string TimeLeft(const std::vector<PhaseProgress>& phases, double seconds);

 private:
  void TellEnded(const std::vector<PhaseProgress>& phases, double seconds);
  std::string Standing(const std::vector<PhaseProgress>& phases, double seconds) const;

  static constexpr double FirstLineAfter = 2;
  static constexpr double LineEvery = 30;

  std::ostream& _Out;
  bool _Terminal;
  std::set<std::string> _Told;
  double _NextLine = FirstLineAfter;  // in a log: when to tell where it stands, unless a phase ends before
};

}  // namespace vexvalidator
