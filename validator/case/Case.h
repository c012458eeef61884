// What the validator runs and what it finds: a case is a script run on a fresh host session (its
// fault lines first, then a person's actions); a finding is what a case showed the module got wrong.
#pragma once

#include <compare>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Coverage.h"
#include "Rules.h"

namespace vexvalidator {

enum class Phase { Load, Lifecycle, Exploration, Faults, Random };
const char* PhaseName(Phase phase);

struct Finding {
  Finding() = default;
  Finding(std::string kind, std::string message, int step = -1, std::string expectation = {})
      : Kind(std::move(kind)), Message(std::move(message)), Step(step), Expectation(std::move(expectation)) {}

  std::string Kind;
  std::string Message;  // what went wrong, naming the objects
  // Where a check of one step found it: the step's index in the case's lines, and the expectation
  // that fails after that step when the case is replayed ("expect answered"), or several lines, one
  // to a line break, that show it. The replay then ends there. -1 and empty: the case as a whole showed it. Neither
  // tells two findings apart.
  int Step = -1;
  std::string Expectation;
  bool operator==(const Finding& other) const { return Kind == other.Kind && Message == other.Message; }
  auto operator<=>(const Finding& other) const {  // by kind, then message
    return std::tie(Kind, Message) <=> std::tie(other.Kind, other.Message);
  }
};

struct Case {
  Phase Stage = Phase::Exploration;
  std::string Command;             // the command under test; empty for the module's loading
  std::string Label;               // "start and cancel", "path", "allocation, once", "random 12", ...
  std::vector<std::string> Lines;  // the script: fault lines first, then the steps
  int FaultPoint = 0;              // the fault's number in its sweep; 0 without a fault
};

// What one case showed, in the process that ran it and as a worker tells it back. For a random
// sequence, case 0 is the sequence as chosen and case 1 the same lines under a fault.
struct CaseResult {
  int N = 0;              // the case's number in its job
  bool FaultMet = false;  // the armed fault was injected at least once
  bool Stopped = false;   // a line was refused: what it needs was not there (under a fault: the fault's doing)
  // The process can no longer be trusted for another case: a C++ exception crossed the boundary,
  // or host objects outlived their session.
  bool Fatal = false;
  int LinesRun = 0;
  std::vector<Finding> Findings;
  // When asked to look: the state reached before the end-of-path checks, and what a person could do there.
  std::string Fingerprint;
  bool Running = false;
  std::vector<std::string> Actions;
  std::vector<std::string> Shown;  // the module's windows shown, sensitive or greyed
  std::vector<std::string> Lines;  // random: the script that ran
  // When its steps were watched: the fingerprint of the state before each line run, and what the
  // steps covered.
  std::vector<std::string> Trail;
  CaseCoverage Coverage;
  // The journal's size and the host allocations seen: how many fault points the run offers at most.
  // Read in the process that ran the case; not told back.
  int BoundaryCalls = 0;
  int Allocations = 0;
  double Seconds = 0;  // how long the case took
};

// A finding as one case showed it.
struct Occurrence {
  Finding What;
  Case Where;
  int Step = -1;  // the index in Where.Lines of the line during which it happened; -1: at the end
};

// One fault however many cases showed it, and whatever objects it touched: the findings of one
// root cause (RootCause.h), the simplest case that showed one, and how many there were.
struct FindingGroup {
  Finding What;  // as the simplest case showed it
  Occurrence First;
  int Count = 0;
  std::map<Phase, int> ByPhase;
  std::string Root;                     // what the findings have in common
  std::map<std::string, int> Variants;  // each message, and in how many cases it was seen
  double Seconds = 0;                   // how long the cases that showed it took together
};

// Whether `a` is the simpler case to show: without a fault, fewer lines, an earlier phase.
bool Simpler(const Occurrence& a, const Occurrence& b);

}  // namespace vexvalidator
