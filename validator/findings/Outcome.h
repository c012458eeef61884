// What a validation ran and what it found: what its reports are made of.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "validator/case/Case.h"
#include "validator/case/Coverage.h"
#include "validator/processes/LoadChecks.h"

namespace vexvalidator {

struct CommandStats {
  int Lifecycles = 0;
  int Paths = 0;  // explored paths (the lifecycles not counted)
  int States = 0;
  int FaultCases = 0;
  int Sweeps = 0;
  int RandomSequences = 0;
  int Skipped = 0;      // paths not run because their last line hung before
  int Unswept = 0;      // paths not swept: their run was refused its last line, or died
  int Identical = 0;    // fault cases not run: the same run as a shorter path's, refused the same line
  int Repeats = 0;      // paths that press again what changed nothing, run without faults
  int WayOut = 0;       // paths run beyond the depth to find how a state ends, without faults
  int Returns = 0;      // paths that press a button again where a path came back to, without faults
  int Refused = 0;      // paths whose last action the host refused where it had never been done
  int Died = 0;         // paths whose run crashed, hung or was left by an exception: nothing beyond
  int SlowUnswept = 0;  // paths not swept because a step of theirs was slow
  // The bounds met: states not told apart for the --states bound, states at the --depth bound with
  // actions left unexplored, sweeps stopped at their greatest number of fault points, and states
  // from which no way to end the command was found within the search for one.
  int StatesTurnedAway = 0;
  int DepthFrontier = 0;
  int SweepsCapped = 0;
  int WayOutUnknown = 0;
};

// A phase of one command (or the loading): its cases and how long they took together.
struct PhaseRecord {
  int Cases = 0;
  double Seconds = 0;
};

// A JUnit test case: a lifecycle, an explored path, one sweep of a path, a random sequence.
struct TestRecord {
  std::string Suite;
  std::string Name;
  int Cases = 0;
  bool Skipped = false;
  std::vector<Finding> Failures;  // each once
};

struct Outcome {
  std::string Module;
  std::string Document;  // as given; empty: the embedded ship
  std::string Resources;
  std::uint64_t Seed = 0;
  LoadReport Load;
  std::vector<LoadCheck> Exports;
  std::vector<std::string> Commands;
  std::map<std::string, CommandStats> Stats;
  std::map<std::string, CommandCoverage> Coverage;
  std::map<std::string, PhaseRecord> Phases;  // "load", "Cmd.exploration", ...
  std::vector<FindingGroup> Findings;         // in the order of their simplest cases
  std::vector<TestRecord> Tests;
  std::vector<std::string> Notes;
  int Cases = 0;
  int Workers = 0;
  int Restarts = 0;
  double Seconds = 0;
  int Depth = 0;
  int SlowMs = 0;       // the bound of a step's time
  std::string Partial;  // why the validation stopped before it ran every case; empty: it did not
  int StatesBound = 0;  // --states
};

}  // namespace vexvalidator
