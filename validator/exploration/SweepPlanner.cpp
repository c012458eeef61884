#include "SweepPlanner.h"

#include <algorithm>

#include "drive/Text.h"
#include "validator/case/Faults.h"

namespace vexvalidator {

namespace {

const FaultFamily& FamilyOf(const SweepJob& work) { return FaultFamilies().at(static_cast<std::size_t>(work.Family)); }

}  // namespace

std::vector<std::string> SweepLines(const Job& job, const SweepJob& work, int n) {
  std::vector<std::string> lines{FamilyOf(work).Line(n)};
  lines.insert(lines.end(), job.Steps.begin(), job.Steps.end());
  return lines;
}

SweepPlanner::SweepPlanner(FindingBook& book, SubmitJob submit) : _Book(book), _Submit(std::move(submit)) {}

void SweepPlanner::Sweep(const Path& path) {
  const auto& families = FaultFamilies();
  std::vector<FamilySweep>& sweeps = _Sweeps[path];
  sweeps.assign(families.size(), {});
  for (std::size_t family = 0; family < families.size(); ++family) {
    sweeps[family].Test =
        _Book.AddTest(path.Command + ".faults", families[family].Name() + ": " + vexdrive::Join(path.Steps, "; "));
  }
  Path shorter = path;
  shorter.Steps.pop_back();
  const auto parent = _Sweeps.find(shorter);
  for (std::size_t family = 0; family < families.size(); ++family) {
    if (parent == _Sweeps.end()) {
      Submit(path, family, {});
    } else if (parent->second[family].Done) {
      Submit(path, family, parent->second[family].Skip);
    } else {
      parent->second[family].Waiting.push_back(path);
    }
  }
}

void SweepPlanner::Submit(const Path& path, std::size_t family, const std::set<int>& skip) {
  _Sweeps.at(path).at(family).Skip = skip;
  CommandStats& stats = _Book.Stats(path.Command);
  ++stats.Sweeps;
  ++_Book.Coverage(path.Command).Faults[FaultFamilies().at(family).Name()].Sweeps;
  stats.Identical += static_cast<int>(skip.size());
  SweepJob work{static_cast<int>(family), 1, MostFaultPoints, std::vector<int>(skip.begin(), skip.end())};
  _Submit({path.Command, path.Steps, std::move(work)}, Sweeping);
}

SweepPlanner::FamilySweep& SweepPlanner::Of(const Job& job, const SweepJob& work) {
  return _Sweeps.at(Path{job.Command, job.Steps}).at(static_cast<std::size_t>(work.Family));
}

void SweepPlanner::OnResult(const Job& job, const SweepJob& work, const CaseResult& result) {
  ++_Book.Stats(job.Command).FaultCases;
  FamilySweep& sweep = Of(job, work);
  if (result.Stopped) sweep.Skip.insert(result.N);
  _Book.AddTestCases(sweep.Test, 1);
  FaultReach& reach = Reach(job, work, 1, result.Seconds);
  reach.Furthest = std::max(reach.Furthest, result.FaultMet ? result.N : result.N - 1);
  if (!result.FaultMet) sweep.Ended = true;
  if (result.Findings.empty()) return;
  // A case told with lines of its own ran more than the sweep's: a way out pressed after the path.
  std::vector<std::string> lines = result.Lines.empty() ? SweepLines(job, work, result.N) : result.Lines;
  _Book.Record({Phase::Faults, job.Command, FamilyOf(work).Name(), std::move(lines), result.N}, result.Findings,
               sweep.Test, -1, result.Seconds);
}

void SweepPlanner::OnClean(const Job& job, const SweepJob& work, int cases, const std::vector<int>& stopped,
                           double seconds) {
  FamilySweep& sweep = Of(job, work);
  sweep.Skip.insert(stopped.begin(), stopped.end());
  _Book.Stats(job.Command).FaultCases += cases;
  _Book.AddTestCases(sweep.Test, cases);
  Reach(job, work, cases, seconds);
}

FaultReach& SweepPlanner::Reach(const Job& job, const SweepJob& work, int cases, double seconds) {
  _Book.AddPhase(job.Command, Phase::Faults, cases, seconds);
  FaultReach& reach = _Book.Coverage(job.Command).Faults[FamilyOf(work).Name()];
  reach.Cases += cases;
  return reach;
}

bool SweepPlanner::OnDeath(const Job& job, const SweepJob& work, const Pool::Death& death,
                           const std::vector<std::string>& lines) {
  FamilySweep& sweep = Of(job, work);
  ++_Book.Stats(job.Command).FaultCases;
  _Book.AddTestCases(sweep.Test, 1);
  Reach(job, work, 1, 0);
  _Book.Record({Phase::Faults, job.Command, FamilyOf(work).Name(), lines, death.N}, {DeathFinding(death, lines)},
               sweep.Test, death.Line);
  // A sweep that keeps hanging would spend a time limit on every point: two are enough.
  const bool goesOn = !(death.TimedOut && ++sweep.TimeOuts >= HangsBeforeSkipping);
  if (!goesOn) sweep.Ended = true;
  return goesOn;
}

void SweepPlanner::OnDone(const Job& job, const SweepJob& work) {
  FamilySweep& sweep = Of(job, work);
  sweep.Done = true;
  if (!sweep.Ended) ++_Book.Stats(job.Command).SweepsCapped;
  const std::vector<Path> waiting = std::move(sweep.Waiting);
  sweep.Waiting.clear();
  for (const Path& path : waiting) Submit(path, static_cast<std::size_t>(work.Family), sweep.Skip);
}

}  // namespace vexvalidator
