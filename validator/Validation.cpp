#include "Validation.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <random>

#include "Faults.h"
#include "Worker.h"
#include "drive/Text.h"
#include "vexhost/Session.h"

namespace vexvalidator {

namespace {

// A sweep stops at the first fault point a run does not meet; this bounds a module that never
// stops calling the host.
constexpr int MostFaultPoints = 100000;

enum Priority { Exploring = 0, Sweeping = 1, RandomUse = 2 };

std::string PathKey(const std::string& command, const std::vector<std::string>& steps) {
  return command + "\n" + vexdrive::Join(steps, "\n");
}

std::string Signature(const Finding& finding) { return finding.Kind + "\n" + finding.Message; }

// A worker that died or hung, as a finding that names the line it was running.
Finding DeathFinding(const Pool::Death& death, const std::vector<std::string>& lines) {
  std::string when;
  if (death.Line >= 0 && death.Line < static_cast<int>(lines.size())) {
    when = " during `" + lines[static_cast<std::size_t>(death.Line)] + "`";
  } else if (death.Line == static_cast<int>(lines.size())) {
    when = " at the end of the run, as the host closed the document";
  }
  return {death.TimedOut ? kind::Hang : kind::Crash, death.How + when};
}

std::vector<std::string> With(std::vector<std::string> lines, const std::string& more) {
  lines.push_back(more);
  return lines;
}

void CollectPaths(const vexhost::ProductData& product, const std::string& prefix, std::vector<std::string>& paths) {
  const std::string path = prefix.empty() ? product.Name : prefix + "/" + product.Name;
  if (product.IsProduct) paths.push_back(path);
  for (const auto& child : product.Children) CollectPaths(child, path, paths);
}

int WorkerCount(int asked) {
  if (asked > 0) return asked;
  const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
  return cores > 0 ? static_cast<int>(cores) : 1;
}

}  // namespace

Validation::Validation(const ValidateOptions& options, RunSetup setup)
    : _Options(options), _Setup(std::move(setup)), _Start(std::chrono::steady_clock::now()) {
  _Outcome.Module = options.Module;
  _Outcome.Document = options.Document;
  _Outcome.Resources = options.Resources;
  _Outcome.Depth = options.Depth;
  _Outcome.Seed = options.Seed ? *options.Seed : (std::uint64_t{std::random_device()()} << 32) ^ std::random_device()();
  _Outcome.Workers = WorkerCount(options.Workers);
}

bool Validation::Load() {
  const auto limit = std::chrono::milliseconds(_Options.TimeLimitMs);
  _Outcome.Load = ProbeLoading(_Options.Module, _Setup, limit);
  LoadReport& load = _Outcome.Load;
  if (!load.Loaded && load.Checks.empty()) {
    _Error = load.Error;
    return false;
  }
  if (load.Loaded) {
    // The probe showed that loading works; this process loads the module before forking its
    // workers, with a session open as a host has one.
    vexhost::Session session(vexhost::SessionOptions{_Setup.ResourceDirs});
    const vexhost::LoadRecord& record = vexhost::Session::LoadModule(_Options.Module);
    if (load.Registered.empty()) load.Registered = record.Registered;
  }
  _Outcome.Commands = Commands(load);
  _Outcome.Exports = ExportChecks(_Options.Module, _Outcome.Commands);
  ++_Outcome.Cases;
  for (const auto& checks : {load.Checks, _Outcome.Exports}) {
    for (const auto& check : checks) {
      const std::size_t test = AddTest("load", check.Name);
      Record({Phase::Load, "", check.Name, {}, 0}, check.Findings, test);
    }
  }
  return true;
}

std::size_t Validation::AddTest(const std::string& suite, std::string name) {
  _Outcome.Tests.push_back({suite, std::move(name), 0, false, {}});
  return _Outcome.Tests.size() - 1;
}

void Validation::Record(const Case& where, const std::vector<Finding>& findings, std::size_t test, int step) {
  TestRecord& record = _Outcome.Tests[test];
  for (const Finding& finding : findings) {
    if (std::find(record.Failures.begin(), record.Failures.end(), finding) == record.Failures.end()) {
      record.Failures.push_back(finding);
    }
    const Occurrence occurrence{finding, where, step};
    FindingGroup& group = _Groups[Signature(finding)];
    if (group.Count == 0 || Simpler(occurrence, group.First)) group.First = occurrence;
    group.What = finding;
    ++group.Count;
    ++group.ByPhase[where.Stage];
  }
}

std::vector<std::string> Validation::ProductPaths() const {
  std::vector<std::string> paths;
  CollectPaths(_Setup.Document.Root, "", paths);
  return paths;
}

void Validation::Plan(const std::string& command) {
  const std::string start = "start " + command;
  const auto& active = _Setup.Document.ActivePath;
  _Outcome.Stats[command];
  Explore({command, Phase::Lifecycle, "start and close the document", {start}, true, 0, _Options.Depth, 0});
  Explore({command, Phase::Lifecycle, "start and cancel", {start, "interrupt"}, false, 0, 0, 0});
  Explore({command, Phase::Lifecycle, "start while it already runs", {start, start}, false, 0, 0, 0});
  if (active) Explore({command, Phase::Lifecycle, "start with no editor", {"noeditor", start}, true, 0, 1, 0});
  // Every other product made active, and what a person can do at once there.
  const std::string activePath = active ? vexdrive::Join(*active, "/") : std::string();
  for (const auto& path : ProductPaths()) {
    if (path == activePath) continue;
    Explore({command, Phase::Exploration, "path", {"active " + path, start}, true, 0, std::min(1, _Options.Depth), 0});
  }
  for (int index = 0; index < _Options.RandomSequences; ++index) {
    Job job;
    job.What = Job::Kind::Random;
    job.Id = _NextOther++;
    job.Command = command;
    job.Seed = _Outcome.Seed;
    job.Index = index;
    job.Length = _Options.RandomLength;
    job.Products = ProductPaths();
    _RandomTests[job.Id] = AddTest(command + ".random", "random " + std::to_string(index));
    _Pool->Submit(std::move(job), RandomUse);
  }
}

void Validation::Explore(Node node) {
  if (!_Seen.insert(PathKey(node.Command, node.Steps)).second) return;
  const int id = _NextExplore++;
  node.Test = AddTest(node.Command + "." + PhaseName(node.Stage),
                      node.Stage == Phase::Lifecycle ? node.Label : vexdrive::Join(node.Steps, "; "));
  const auto hangs = _Hangs.find(node.Steps.back());
  const bool hungBefore = hangs != _Hangs.end() && hangs->second >= HangsBeforeSkipping;
  _Nodes[id] = node;
  if (hungBefore) {
    _Pending[id] = Skip{};
    Drain();
    return;
  }
  Job job;
  job.What = Job::Kind::Explore;
  job.Id = id;
  job.Command = node.Command;
  job.Steps = node.Steps;
  job.Look = node.Look;
  _Pool->Submit(std::move(job), Exploring);
}

// A path's fault sweeps wait for those of the path one line shorter, so that they can leave out
// the fault points where its run was refused a line: there the longer path's run is the same run.
void Validation::Sweep(const Node& node) {
  const auto& families = FaultFamilies();
  SweepState& state = _Sweeps[PathKey(node.Command, node.Steps)];
  state.Done.assign(families.size(), false);
  state.Skip.assign(families.size(), {});
  state.Waiting.assign(families.size(), {});
  for (const auto& family : families) {
    state.Tests.push_back(AddTest(node.Command + ".faults", family.Name() + ": " + vexdrive::Join(node.Steps, "; ")));
  }
  std::vector<std::string> shorter = node.Steps;
  shorter.pop_back();
  const auto parent = _Sweeps.find(PathKey(node.Command, shorter));
  for (std::size_t family = 0; family < families.size(); ++family) {
    if (parent == _Sweeps.end()) {
      SubmitSweep(node, family, {});
    } else if (parent->second.Done[family]) {
      SubmitSweep(node, family, parent->second.Skip[family]);
    } else {
      parent->second.Waiting[family].push_back(node);
    }
  }
}

void Validation::SubmitSweep(const Node& node, std::size_t family, const std::set<int>& skip) {
  SweepState& state = _Sweeps.at(PathKey(node.Command, node.Steps));
  state.Skip[family] = skip;
  CommandStats& stats = _Outcome.Stats[node.Command];
  ++stats.Sweeps;
  stats.Identical += static_cast<int>(skip.size());
  Job job;
  job.What = Job::Kind::Sweep;
  job.Id = _NextOther++;
  job.Command = node.Command;
  job.Steps = node.Steps;
  job.Family = static_cast<int>(family);
  job.From = 1;
  job.Last = MostFaultPoints;
  job.Skip.assign(skip.begin(), skip.end());
  _SweepTests[job.Id] = state.Tests[family];
  _Pool->Submit(std::move(job), Sweeping);
}

void Validation::SweepDone(const Job& job) {
  if (job.What != Job::Kind::Sweep) return;
  SweepState& state = _Sweeps.at(PathKey(job.Command, job.Steps));
  const auto family = static_cast<std::size_t>(job.Family);
  state.Done[family] = true;
  const std::vector<Node> waiting = std::move(state.Waiting[family]);
  state.Waiting[family].clear();
  for (const Node& node : waiting) SubmitSweep(node, family, state.Skip[family]);
}

// Results of explored paths are taken in the order the paths were found, whichever worker
// finished first, so that the states counted and the paths explored are the same in every run.
void Validation::Drain() {
  if (_Draining) return;
  _Draining = true;
  for (auto next = _Pending.find(_NextToProcess); next != _Pending.end(); next = _Pending.find(_NextToProcess)) {
    const Pending pending = std::move(next->second);
    _Pending.erase(next);
    const Node node = _Nodes.at(_NextToProcess);
    _Nodes.erase(_NextToProcess);
    ++_NextToProcess;
    CommandStats& stats = _Outcome.Stats[node.Command];
    if (std::holds_alternative<Skip>(pending)) {
      ++stats.Skipped;
      _Outcome.Tests[node.Test].Skipped = true;
    } else if (const auto* death = std::get_if<Pool::Death>(&pending)) {
      ++(node.Stage == Phase::Lifecycle ? stats.Lifecycles : stats.Paths);
      const Finding finding = DeathFinding(*death, node.Steps);
      Record({node.Stage, node.Command, node.Label, node.Steps, 0}, {finding}, node.Test, death->Line);
    } else {
      Process(node, std::get<CaseResult>(pending));
    }
  }
  _Draining = false;
}

void Validation::Process(const Node& node, const CaseResult& result) {
  CommandStats& stats = _Outcome.Stats[node.Command];
  ++(node.Stage == Phase::Lifecycle ? stats.Lifecycles : stats.Paths);
  std::vector<Finding> findings = result.Findings;
  if (result.Stopped) {
    findings.push_back({kind::Nondeterminism, "a line that the same steps allowed before was refused"});
  }
  Record({node.Stage, node.Command, node.Label, node.Steps, 0}, findings, node.Test);
  if (result.Fatal) return;
  if (findings.empty()) {
    Sweep(node);
  } else {
    // Faults would only show again what the path shows without them.
    ++stats.Unswept;
  }
  if (!node.Look || result.Fingerprint.empty()) return;
  std::set<std::string>& states = _States[node.Command];
  const bool fresh = static_cast<int>(states.size()) < _Options.States && states.insert(result.Fingerprint).second;
  if (!fresh) return;
  ++stats.States;
  if (!result.Running || node.Depth >= node.MaxDepth) return;
  for (const auto& action : result.Actions) {
    Explore({node.Command, Phase::Exploration, "path", With(node.Steps, action), true, node.Depth + 1, node.MaxDepth, 0});
  }
}

void Validation::OnResult(const Job& job, const CaseResult& result) {
  ++_Outcome.Cases;
  CommandStats& stats = _Outcome.Stats[job.Command];
  switch (job.What) {
    case Job::Kind::Explore:
      _Pending[job.Id] = result;
      Drain();
      break;
    case Job::Kind::Sweep: {
      ++stats.FaultCases;
      if (result.Stopped) {
        _Sweeps.at(PathKey(job.Command, job.Steps)).Skip[static_cast<std::size_t>(job.Family)].insert(result.N);
      }
      const std::size_t test = _SweepTests.at(job.Id);
      ++_Outcome.Tests[test].Cases;
      if (result.Findings.empty()) break;
      const FaultFamily& family = FaultFamilies().at(static_cast<std::size_t>(job.Family));
      std::vector<std::string> lines{family.Line(result.N)};
      lines.insert(lines.end(), job.Steps.begin(), job.Steps.end());
      Record({Phase::Faults, job.Command, family.Name(), lines, result.N}, result.Findings, test);
      break;
    }
    case Job::Kind::Random: {
      if (result.N == 0) ++stats.RandomSequences;
      const std::size_t test = _RandomTests.at(job.Id);
      ++_Outcome.Tests[test].Cases;
      Record({Phase::Random, job.Command, "random " + std::to_string(job.Index), result.Lines, result.N}, result.Findings,
             test);
      break;
    }
  }
}

bool Validation::OnDeath(const Job& job, const Pool::Death& death) {
  ++_Outcome.Cases;
  std::vector<std::string> lines = job.What == Job::Kind::Explore ? job.Steps : death.Streamed;
  if (job.What == Job::Kind::Sweep) {
    lines = {FaultFamilies().at(static_cast<std::size_t>(job.Family)).Line(death.N)};
    lines.insert(lines.end(), job.Steps.begin(), job.Steps.end());
  }
  // The line that hung is not tried again where that can be avoided.
  if (death.TimedOut && death.Line >= 0 && death.Line < static_cast<int>(lines.size())) {
    ++_Hangs[lines[static_cast<std::size_t>(death.Line)]];
  }
  if (job.What == Job::Kind::Explore) {
    _Pending[job.Id] = death;
    Drain();
    return false;
  }
  CommandStats& stats = _Outcome.Stats[job.Command];
  std::size_t test = 0;
  Case where{Phase::Random, job.Command, "random " + std::to_string(job.Index), lines, death.N};
  if (job.What == Job::Kind::Sweep) {
    where = {Phase::Faults, job.Command, FaultFamilies().at(static_cast<std::size_t>(job.Family)).Name(), lines,
             death.N};
    test = _SweepTests.at(job.Id);
    ++stats.FaultCases;
  } else {
    test = _RandomTests.at(job.Id);
    if (death.N == 0) ++stats.RandomSequences;
  }
  ++_Outcome.Tests[test].Cases;
  Record(where, {DeathFinding(death, lines)}, test, death.Line);
  if (job.What != Job::Kind::Sweep) return false;
  // A sweep that keeps hanging would spend a time limit on every point: two are enough.
  return !(death.TimedOut && ++_SweepTimeOuts[job.Id] >= HangsBeforeSkipping);
}

void Validation::Prepare(Job& job) const {
  if (job.What != Job::Kind::Random) return;
  // A random sequence would spend a whole time limit on a line known to hang: it avoids them all.
  for (const auto& [line, hangs] : _Hangs) {
    if (hangs > 0) job.Avoid.push_back(line);
  }
}

void Validation::Progress() {
  if (!_Options.Progress) return;
  int paths = 0;
  int states = 0;
  for (const auto& [command, stats] : _Outcome.Stats) {
    paths += stats.Paths + stats.Lifecycles;
    states += stats.States;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - _Start).count();
  std::cerr << "\r  validating: " << paths << " paths, " << states << " states, " << _Outcome.Cases << " cases ("
            << static_cast<long long>(_Outcome.Cases / std::max(seconds, 0.001)) << "/s), " << _Groups.size()
            << " finding(s)\033[K" << std::flush;
}

void Validation::Run() {
  const auto limit = std::chrono::milliseconds(_Options.TimeLimitMs);
  RunSetup setup = _Setup;
  _Pool = std::make_unique<Pool>(_Outcome.Workers, limit, [setup](int in, int out, Slot& slot) {
    ServeJobs(in, out, slot, setup);
  });
  for (const auto& command : _Outcome.Commands) Plan(command);
  Pool::Handlers handlers;
  handlers.OnResult = [this](const Job& job, const CaseResult& result) { OnResult(job, result); };
  handlers.OnClean = [this](const Job& job, int cases, const std::vector<int>& stopped) {
    _Sweeps.at(PathKey(job.Command, job.Steps)).Skip[static_cast<std::size_t>(job.Family)].insert(stopped.begin(),
                                                                                                  stopped.end());
    _Outcome.Cases += cases;
    _Outcome.Stats[job.Command].FaultCases += cases;
    _Outcome.Tests[_SweepTests.at(job.Id)].Cases += cases;
  };
  handlers.OnDeath = [this](const Job& job, const Pool::Death& death) { return OnDeath(job, death); };
  handlers.OnDone = [this](const Job& job) { SweepDone(job); };
  handlers.OnTick = [this] { Progress(); };
  handlers.Prepare = [this](Job& job) { Prepare(job); };
  _Pool->Run(handlers);
  if (_Options.Progress) std::cerr << "\r\033[K" << std::flush;
  _Outcome.Restarts = _Pool->Restarts();
  _Pool.reset();
}

Outcome& Validation::Result() {
  _Outcome.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - _Start).count();
  _Outcome.Findings.clear();
  for (const auto& [signature, group] : _Groups) _Outcome.Findings.push_back(group);
  std::stable_sort(_Outcome.Findings.begin(), _Outcome.Findings.end(),  // ties stay in the order of kind and message
                   [](const FindingGroup& a, const FindingGroup& b) { return Simpler(a.First, b.First); });
  return _Outcome;
}

}  // namespace vexvalidator
