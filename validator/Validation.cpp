#include "Validation.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <random>

#include "Faults.h"
#include "Overloaded.h"
#include "Text.h"
#include "Worker.h"
#include "vexhost/Session.h"

namespace vexvalidator {

namespace {

// A sweep stops at the first fault point a run does not meet; this bounds a module that never
// stops calling the host.
constexpr int MostFaultPoints = 100000;

enum Priority { Exploring = 0, Sweeping = 1, RandomUse = 2 };

std::string PathKey(const std::string& command, const std::vector<std::string>& steps) {
  return command + "\n" + vexshell::Join(steps, "\n");
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
  const std::string activePath = active ? vexshell::Join(*active, "/") : std::string();
  for (const auto& path : ProductPaths()) {
    if (path == activePath) continue;
    Explore({command, Phase::Exploration, "path", {"active " + path, start}, true, 0, std::min(1, _Options.Depth), 0});
  }
  for (int index = 0; index < _Options.RandomSequences; ++index) {
    RandomJob work{_Outcome.Seed, index, _Options.RandomLength, ProductPaths(), {}, 0};
    work.Test = AddTest(command + ".random", "random " + std::to_string(index));
    _Pool->Submit({command, {}, std::move(work)}, RandomUse);
  }
}

void Validation::Explore(Node node) {
  if (!_Seen.insert(PathKey(node.Command, node.Steps)).second) return;
  const int id = _NextExplore++;
  node.Test = AddTest(node.Command + "." + PhaseName(node.Stage),
                      node.Stage == Phase::Lifecycle ? node.Label : vexshell::Join(node.Steps, "; "));
  const auto hangs = _Hangs.find(node.Steps.back());
  const bool hungBefore = hangs != _Hangs.end() && hangs->second >= HangsBeforeSkipping;
  _Nodes[id] = node;
  if (hungBefore) {
    _Pending[id] = Skip{};
    Drain();
    return;
  }
  _Pool->Submit({node.Command, node.Steps, ExplorationJob{node.Look, static_cast<std::size_t>(id)}}, Exploring);
}

// A path's fault sweeps wait for those of the path one line shorter, so that they can leave out
// the fault points where its run was refused a line: there the longer path's run is the same run.
void Validation::Sweep(const Node& node) {
  const auto& families = FaultFamilies();
  SweepState& state = _Sweeps[PathKey(node.Command, node.Steps)];
  state.Done.assign(families.size(), false);
  state.Skip.assign(families.size(), {});
  state.Waiting.assign(families.size(), {});
  state.TimeOuts.assign(families.size(), 0);
  for (const auto& family : families) {
    state.Tests.push_back(AddTest(node.Command + ".faults", family.Name() + ": " + vexshell::Join(node.Steps, "; ")));
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
  SweepJob work{static_cast<int>(family), 1, MostFaultPoints, std::vector<int>(skip.begin(), skip.end())};
  _Pool->Submit({node.Command, node.Steps, std::move(work)}, Sweeping);
}

void Validation::SweepDone(const Job& job) {
  const auto* work = std::get_if<SweepJob>(&job.Work);
  if (work == nullptr) return;
  SweepState& state = _Sweeps.at(PathKey(job.Command, job.Steps));
  const auto family = static_cast<std::size_t>(work->Family);
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
  std::visit(Overloaded{
                 [&](const ExplorationJob& work) {
                   _Pending[static_cast<int>(work.Path)] = result;
                   Drain();
                 },
                 [&](const SweepJob& work) {
                   ++stats.FaultCases;
                   const auto familyIndex = static_cast<std::size_t>(work.Family);
                   SweepState& state = _Sweeps.at(PathKey(job.Command, job.Steps));
                   if (result.Stopped) state.Skip[familyIndex].insert(result.N);
                   const std::size_t test = state.Tests[familyIndex];
                   ++_Outcome.Tests[test].Cases;
                   if (result.Findings.empty()) return;
                   const FaultFamily& family = FaultFamilies().at(familyIndex);
                   std::vector<std::string> lines{family.Line(result.N)};
                   lines.insert(lines.end(), job.Steps.begin(), job.Steps.end());
                   Record({Phase::Faults, job.Command, family.Name(), lines, result.N}, result.Findings, test);
                 },
                 [&](const RandomJob& work) {
                   if (result.N == 0) ++stats.RandomSequences;
                   ++_Outcome.Tests[work.Test].Cases;
                   Record({Phase::Random, job.Command, "random " + std::to_string(work.Index), result.Lines, result.N},
                          result.Findings, work.Test);
                 },
             },
             job.Work);
}

bool Validation::OnDeath(const Job& job, const Pool::Death& death) {
  ++_Outcome.Cases;
  const auto* explored = std::get_if<ExplorationJob>(&job.Work);
  const auto* sweep = std::get_if<SweepJob>(&job.Work);
  const auto* random = std::get_if<RandomJob>(&job.Work);
  std::vector<std::string> lines = explored != nullptr ? job.Steps : death.Streamed;
  if (sweep != nullptr) {
    lines = {FaultFamilies().at(static_cast<std::size_t>(sweep->Family)).Line(death.N)};
    lines.insert(lines.end(), job.Steps.begin(), job.Steps.end());
  }
  // The line that hung is not tried again where that can be avoided.
  if (death.TimedOut && death.Line >= 0 && death.Line < static_cast<int>(lines.size())) {
    ++_Hangs[lines[static_cast<std::size_t>(death.Line)]];
  }
  if (explored != nullptr) {
    _Pending[static_cast<int>(explored->Path)] = death;
    Drain();
    return false;
  }
  CommandStats& stats = _Outcome.Stats[job.Command];
  if (random != nullptr) {
    if (death.N == 0) ++stats.RandomSequences;
    ++_Outcome.Tests[random->Test].Cases;
    Record({Phase::Random, job.Command, "random " + std::to_string(random->Index), lines, death.N},
           {DeathFinding(death, lines)}, random->Test, death.Line);
    return false;
  }
  const auto familyIndex = static_cast<std::size_t>(sweep->Family);
  SweepState& state = _Sweeps.at(PathKey(job.Command, job.Steps));
  const std::size_t test = state.Tests[familyIndex];
  ++stats.FaultCases;
  ++_Outcome.Tests[test].Cases;
  Record({Phase::Faults, job.Command, FaultFamilies().at(familyIndex).Name(), lines, death.N},
         {DeathFinding(death, lines)}, test, death.Line);
  // A sweep that keeps hanging would spend a time limit on every point: two are enough.
  return !(death.TimedOut && ++state.TimeOuts[familyIndex] >= HangsBeforeSkipping);
}

void Validation::Prepare(Job& job) const {
  auto* random = std::get_if<RandomJob>(&job.Work);
  if (random == nullptr) return;
  // A random sequence would spend a whole time limit on a line known to hang: it avoids them all.
  for (const auto& [line, hangs] : _Hangs) {
    if (hangs > 0) random->Avoid.push_back(line);
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
    const auto family = static_cast<std::size_t>(std::get<SweepJob>(job.Work).Family);
    SweepState& state = _Sweeps.at(PathKey(job.Command, job.Steps));
    state.Skip[family].insert(stopped.begin(), stopped.end());
    _Outcome.Cases += cases;
    _Outcome.Stats[job.Command].FaultCases += cases;
    _Outcome.Tests[state.Tests[family]].Cases += cases;
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
