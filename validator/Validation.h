// One validation of a module: its loading checked, then for every command it registered the
// lifecycles, the exploration of what a person can do, the fault sweeps over every explored path,
// and random sequences; every case in a worker process. The validation conducts: the explorer,
// the sweep planner and the random sequences plan the jobs, the pool runs them, and each result
// goes back to the part whose job it was; the book keeps what was run and found.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "validator/approved/Approval.h"
#include "validator/case/Options.h"
#include "validator/case/Runner.h"
#include "validator/exploration/Explorer.h"
#include "validator/exploration/Planning.h"
#include "validator/exploration/RandomSequences.h"
#include "validator/exploration/SweepPlanner.h"
#include "validator/findings/FindingBook.h"
#include "validator/findings/Outcome.h"
#include "validator/findings/Progress.h"
#include "validator/processes/Messages.h"
#include "validator/processes/Pool.h"

namespace vexvalidator {

class Validation {
 public:
  Validation(const ValidateOptions& options, RunSetup setup);
  // Loads and checks the module; false when it cannot be loaded at all (Error() says why).
  bool Load();
  const std::string& Error() const { return _Error; }
  // Runs every case of every command, until `StopWhen` gives a reason to stop.
  void Run();
  // Asked while the validation runs: a reason to stop now (a signal, a time limit), or empty.
  void StopWhen(std::function<std::string()> reason) { _StopReason = std::move(reason); }
  // What was run and found; the findings in the order of their simplest cases.
  Outcome& Result();

 private:
  SubmitJob Submitter();
  void OnResult(const Job& job, const CaseResult& result);
  void OnClean(const Job& job, const CleanMessage& clean);
  bool OnDeath(const Job& job, const Pool::Death& death);
  void OnDone(const Job& job);
  void Prepare(Job& job) const;
  void Progress();
  bool ShouldStop();
  std::vector<PhaseProgress> Phases() const;
  double Elapsed() const;

  ValidateOptions _Options;
  RunSetup _Setup;
  Outcome _Outcome;
  std::string _Error;
  FindingBook _Book;
  HungLines _Hangs;
  SweepPlanner _Planner;
  Explorer _Explorer;
  RandomSequences _Random;
  std::unique_ptr<Pool> _Pool;          // while the validation runs
  std::unique_ptr<Approval> _Approval;  // with --approved
  std::chrono::steady_clock::time_point _Start;
  std::function<std::string()> _StopReason;
  ProgressReport _Progress;
  std::size_t _SweepsDone = 0;
  std::size_t _RandomDone = 0;
};

}  // namespace vexvalidator
