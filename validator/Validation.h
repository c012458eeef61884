// One validation of a module: its loading checked, then for every command it registered the
// lifecycles, the exploration of what a person can do (breadth first, states told apart by what
// is shown and what the product model holds), the fault sweeps over every explored path, and
// random sequences; every case in a worker process. Gathers what was run and what was found.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "Case.h"
#include "Messages.h"
#include "LoadChecks.h"
#include "Options.h"
#include "Pool.h"
#include "Runner.h"

namespace vexvalidator {

struct CommandStats {
  int Lifecycles = 0;
  int Paths = 0;        // explored paths (the lifecycles not counted)
  int States = 0;
  int FaultCases = 0;
  int Sweeps = 0;
  int RandomSequences = 0;
  int Skipped = 0;      // paths not run because their last line hung before
  int Unswept = 0;      // paths not swept because their run without faults has findings
  int Identical = 0;    // fault cases not run: the same run as a shorter path's, refused the same line
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
  std::vector<FindingGroup> Findings;  // in the order of their simplest cases
  std::vector<TestRecord> Tests;
  std::vector<std::string> Notes;
  int Cases = 0;
  int Workers = 0;
  int Restarts = 0;
  double Seconds = 0;
  int Depth = 0;
};

class Validation {
 public:
  Validation(const ValidateOptions& options, RunSetup setup);
  // Loads and checks the module; false when it cannot be loaded at all (Error() says why).
  bool Load();
  const std::string& Error() const { return _Error; }
  // Runs every case of every command.
  void Run();
  // What was run and found; the findings in the order of their simplest cases.
  Outcome& Result();

 private:
  struct Node {
    std::string Command;
    Phase Stage = Phase::Exploration;
    std::string Label;
    std::vector<std::string> Steps;
    bool Look = false;
    int Depth = 0;
    int MaxDepth = 0;
    std::size_t Test = 0;
  };
  struct Skip {};
  // A path's sweeps: which families are over, and the fault points its longer paths need not run.
  struct SweepState {
    std::vector<bool> Done;
    std::vector<std::set<int>> Skip;         // inherited from the shorter path, then its own refused points
    std::vector<std::size_t> Tests;
    std::vector<int> TimeOuts;               // of each family's sweep
    std::vector<std::vector<Node>> Waiting;  // paths one line longer, waiting for these points
  };
  using Pending = std::variant<CaseResult, Pool::Death, Skip>;

  void Plan(const std::string& command);
  void Explore(Node node);
  void Drain();
  void Process(const Node& node, const CaseResult& result);
  void Sweep(const Node& node);
  void SubmitSweep(const Node& node, std::size_t family, const std::set<int>& skip);
  void SweepDone(const Job& job);
  void OnResult(const Job& job, const CaseResult& result);
  bool OnDeath(const Job& job, const Pool::Death& death);
  void Prepare(Job& job) const;
  void Record(const Case& where, const std::vector<Finding>& findings, std::size_t test, int step = -1);
  std::size_t AddTest(const std::string& suite, std::string name);
  void Progress();
  std::vector<std::string> ProductPaths() const;

  ValidateOptions _Options;
  RunSetup _Setup;
  Outcome _Outcome;
  std::string _Error;
  std::unique_ptr<Pool> _Pool;
  int _NextExplore = 0;
  std::map<int, Node> _Nodes;            // explored paths by job id
  std::map<int, Pending> _Pending;        // their results, processed in job order
  int _NextToProcess = 0;
  std::map<std::string, SweepState> _Sweeps;  // by command and path
  std::map<std::string, std::set<std::string>> _States;  // fingerprints by command
  std::map<std::string, int> _Hangs;        // time-outs by the line that ran
  std::set<std::string> _Seen;              // scripts explored, so that none runs twice
  std::map<std::string, FindingGroup> _Groups;  // by kind and message
  bool _Draining = false;
  std::chrono::steady_clock::time_point _Start;
  std::string _Phase = "loading";
};

inline constexpr int HangsBeforeSkipping = 2;

}  // namespace vexvalidator
