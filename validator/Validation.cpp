#include "Validation.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <random>

#include "validator/case/Overloaded.h"
#include "validator/findings/RootCause.h"
#include "validator/processes/Worker.h"
#include "vexhost/Session.h"

namespace vexvalidator {

namespace {

int WorkerCount(int asked) {
  if (asked > 0) return asked;
  const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
  return cores > 0 ? static_cast<int>(cores) : 1;
}

// What the outcome says of the validation before anything runs.
Outcome Begun(const ValidateOptions& options) {
  Outcome outcome;
  outcome.Module = options.Module;
  outcome.Document = options.Document;
  outcome.Resources = options.Resources;
  outcome.Depth = options.Depth;
  outcome.SlowMs = options.SlowMs;
  outcome.StatesBound = options.States;
  outcome.Seed = options.Seed ? *options.Seed : (std::uint64_t{std::random_device()()} << 32) ^ std::random_device()();
  outcome.Workers = WorkerCount(options.Workers);
  if (options.KeepsApplied) {
    outcome.Notes.push_back(
        "declared by the author (--keeps-applied): a command keeps what it applied before a Cancel or a close box, "
        "so what such a way out leaves in the document is not checked");
  }
  return outcome;
}

// The lines the case of a job ran, as a death names them.
std::vector<std::string> CaseLines(const Job& job, const Pool::Death& death) {
  return std::visit(Overloaded{
                        [&](const ExplorationJob&) { return job.Steps; },
                        [&](const SweepJob& work) {
                          std::vector<std::string> lines = SweepLines(job, work, death.N);
                          if (!death.Extra.empty()) lines.push_back(death.Extra);  // a way out pressed after
                          return lines;
                        },
                        [&](const RandomJob&) { return death.Streamed; },
                    },
                    job.Work);
}

}  // namespace

Validation::Validation(const ValidateOptions& options, RunSetup setup)
    : _Options(options),
      _Setup(std::move(setup)),
      _Outcome(Begun(options)),
      _Book(_Outcome, HostObjectNames(_Setup.Document)),
      _Planner(_Book, Submitter()),
      _Explorer({options.Depth, options.States}, _Setup.Document, _Book, _Planner, _Hangs, Submitter()),
      _Random({options.RandomSequences, options.RandomLength, _Outcome.Seed}, _Setup.Document, _Book, Submitter()),
      _Start(std::chrono::steady_clock::now()),
      _Progress(std::cerr, options.Progress) {
  _Setup.Module = options.Module;
  _Setup.SlowMs = options.SlowMs;
  _Setup.KeepsApplied = options.KeepsApplied;
  _Setup.WatchCalls = options.WatchCalls;
  if (!options.Approved.empty()) _Approval = std::make_unique<Approval>(options);
}

bool Validation::Load() {
  const auto limit = std::chrono::milliseconds(_Options.TimeLimitMs);
  // The module is loaded only in child processes: the probes here, the workers later.
  _Outcome.Load = ProbeLoading(_Options.Module, _Setup, limit, [this] { return ShouldStop(); });
  LoadReport& load = _Outcome.Load;
  if (load.Stopped) return true;
  if (!load.Loaded && load.Checks.empty()) {
    _Error = load.Error;
    return false;
  }
  _Outcome.Commands = Commands(load);
  _Outcome.Exports = ExportChecks(_Options.Module, _Outcome.Commands);
  _Book.AddCases(1);
  _Book.AddPhase("", Phase::Load, 1, Elapsed());
  for (const auto& checks : {load.Checks, _Outcome.Exports}) {
    for (const auto& check : checks) {
      const std::size_t test = _Book.AddTest("load", check.Name);
      _Book.Record({Phase::Load, "", check.Name, {}, 0}, check.Findings, test);
    }
  }
  return true;
}

// The parts are made with the validation and the pool only when it runs, which is when they submit.
SubmitJob Validation::Submitter() {
  return [this](Job job, Priority priority) { _Pool->Submit(std::move(job), priority); };
}

void Validation::OnResult(const Job& job, const CaseResult& result) {
  _Book.AddCases(1);
  std::visit(Overloaded{
                 [&](const ExplorationJob& work) { _Explorer.OnResult(work, result); },
                 [&](const SweepJob& work) { _Planner.OnResult(job, work, result); },
                 [&](const RandomJob& work) { _Random.OnResult(job, work, result); },
             },
             job.Work);
}

void Validation::OnClean(const Job& job, const CleanMessage& clean) {
  _Book.AddCases(clean.Cases);
  _Planner.OnClean(job, std::get<SweepJob>(job.Work), clean.Cases, clean.Stopped, clean.Seconds);
}

bool Validation::OnDeath(const Job& job, const Pool::Death& death) {
  _Book.AddCases(1);
  const std::vector<std::string> lines = CaseLines(job, death);
  // Noted first, so that no path found from here on runs a line that hung too often.
  _Hangs.Note(death, lines);
  if (_Approval) _Approval->Book().OnDeath(job, death, lines);
  return std::visit(Overloaded{
                        [&](const ExplorationJob& work) {
                          _Explorer.OnDeath(work, death);
                          return false;
                        },
                        [&](const SweepJob& work) { return _Planner.OnDeath(job, work, death, lines); },
                        [&](const RandomJob& work) {
                          _Random.OnDeath(job, work, death);
                          return false;
                        },
                    },
                    job.Work);
}

void Validation::OnDone(const Job& job) {
  if (const auto* work = std::get_if<SweepJob>(&job.Work)) {
    _Planner.OnDone(job, *work);
    ++_SweepsDone;
  }
  if (std::holds_alternative<RandomJob>(job.Work)) ++_RandomDone;
}

void Validation::Prepare(Job& job) const {
  // A random sequence would spend a whole time limit on a line known to hang: it avoids them all.
  if (auto* work = std::get_if<RandomJob>(&job.Work)) work->Avoid = _Hangs.Lines();
  // Random sequences depend on the seed: they are no part of the approved behaviour.
  const auto* exploring = std::get_if<ExplorationJob>(&job.Work);
  job.Record = _Approval != nullptr && !std::holds_alternative<RandomJob>(job.Work) &&
               (exploring == nullptr || exploring->Approvable);
}

double Validation::Elapsed() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - _Start).count();
}

// Each phase's jobs: paths (the lifecycles and the way-out search included), sweeps, random sequences.
std::vector<PhaseProgress> Validation::Phases() const {
  int sweeps = 0;
  int faultCases = 0;
  int states = 0;
  int sequences = 0;
  for (const auto& [command, stats] : _Outcome.Stats) {
    sweeps += stats.Sweeps;
    faultCases += stats.FaultCases;
    states += stats.States;
    sequences += stats.RandomSequences;
  }
  const bool explored = _Explorer.Over() || _Outcome.Commands.empty();
  const std::size_t plannedRandom = _Outcome.Commands.size() * static_cast<std::size_t>(_Options.RandomSequences);
  return {
      {"exploration", _Explorer.PathsTaken(), _Explorer.PathsFound(), explored, !explored, "paths",
       std::to_string(_Explorer.PathsTaken()) + " paths, " + std::to_string(states) + " states"},
      {"faults", _SweepsDone, static_cast<std::size_t>(sweeps),
       explored && _SweepsDone == static_cast<std::size_t>(sweeps), !explored, "sweeps",
       std::to_string(sweeps) + " sweeps of " + std::to_string(faultCases) + " cases"},
      {"random", _RandomDone, plannedRandom, _RandomDone == plannedRandom, false, "sequences",
       std::to_string(sequences) + " sequences"},
  };
}

bool Validation::ShouldStop() {
  if (!_Outcome.Partial.empty()) return true;
  if (_StopReason) _Outcome.Partial = _StopReason();
  return !_Outcome.Partial.empty();
}

void Validation::Run() {
  if (ShouldStop()) return;
  const auto limit = std::chrono::milliseconds(_Options.TimeLimitMs);
  RunSetup setup = _Setup;
  _Pool = std::make_unique<Pool>(_Outcome.Workers, limit,
                                 [setup](int in, int out, Slot& slot) { ServeJobs(in, out, slot, setup); });
  for (const auto& command : _Outcome.Commands) {
    _Explorer.Plan(command);
    _Random.Plan(command);
  }
  Pool::Handlers handlers;
  handlers.OnResult = [this](const Job& job, const CaseResult& result) { OnResult(job, result); };
  handlers.OnClean = [this](const Job& job, const CleanMessage& clean) { OnClean(job, clean); };
  handlers.OnDeath = [this](const Job& job, const Pool::Death& death) { return OnDeath(job, death); };
  handlers.OnDone = [this](const Job& job) { OnDone(job); };
  handlers.OnTick = [this] { _Progress.Update(Phases(), Elapsed()); };
  handlers.Prepare = [this](Job& job) { Prepare(job); };
  handlers.ShouldStop = [this] { return ShouldStop(); };
  handlers.OnRecord = [this](const Job& job, const RecordMessage& record) { _Approval->Book().OnRecord(job, record); };
  _Pool->Run(handlers);
  _Progress.Finish(Phases(), Elapsed());
  _Outcome.Restarts = _Pool->Restarts();
  _Pool.reset();
  if (_Approval) _Approval->Conclude(_Outcome, _Book, _Setup.Document.Name);
}

Outcome& Validation::Result() {
  _Outcome.Seconds = Elapsed();
  _Book.Close();
  return _Outcome;
}

}  // namespace vexvalidator
