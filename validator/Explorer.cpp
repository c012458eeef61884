#include "Explorer.h"

#include <algorithm>
#include <stdexcept>

#include "drive/Text.h"

namespace vexvalidator {

namespace {

std::vector<std::string> With(std::vector<std::string> lines, const std::string& more) {
  lines.push_back(more);
  return lines;
}

}  // namespace

Explorer::Explorer(Limits limits, const vexhost::DocumentData& document, FindingBook& book, SweepPlanner& planner,
                   const HungLines& hangs, SubmitJob submit)
    : _Limits(limits), _Document(document), _Book(book), _Planner(planner), _Hangs(hangs), _Submit(std::move(submit)) {}

void Explorer::Plan(const std::string& command) {
  const std::string start = "start " + command;
  const auto& active = _Document.ActivePath;
  _Book.Stats(command);
  Explore({{command, {start}}, Phase::Lifecycle, "start and close the document", true, 0, _Limits.Depth, 0});
  Explore({{command, {start, "interrupt"}}, Phase::Lifecycle, "start and cancel", false, 0, 0, 0});
  Explore({{command, {start, start}}, Phase::Lifecycle, "start while it already runs", false, 0, 0, 0});
  if (active) Explore({{command, {"noeditor", start}}, Phase::Lifecycle, "start with no editor", true, 0, 1, 0});
  // Every other product made active, and what a person can do at once there.
  const std::string activePath = active ? vexdrive::Join(*active, "/") : std::string();
  for (const auto& path : ProductPaths(_Document)) {
    if (path == activePath) continue;
    Explore({{command, {"active " + path, start}}, Phase::Exploration, "path", true, 0, std::min(1, _Limits.Depth), 0});
  }
}

void Explorer::Explore(Node node) {
  if (!_Seen.insert(node.Where).second) return;
  node.Test = _Book.AddTest(node.Where.Command + "." + PhaseName(node.Stage),
                            node.Stage == Phase::Lifecycle ? node.Label : vexdrive::Join(node.Where.Steps, "; "));
  const std::size_t number = _Taken + _Found.size();
  _Found.push_back({node, std::nullopt});
  if (_Hangs.HungTooOften(node.Where.Steps.back())) {
    Arrived(number, Skipped{});
    return;
  }
  _Submit({node.Where.Command, node.Where.Steps, ExplorationJob{node.Look, number}}, Exploring);
}

void Explorer::OnResult(const ExplorationJob& work, const CaseResult& result) { Arrived(work.Path, result); }

void Explorer::OnDeath(const ExplorationJob& work, const Pool::Death& death) { Arrived(work.Path, death); }

// A path keeps what arrived first: a worker that dies after it told the path's result, before it
// said that the job is done, does not take the result back.
void Explorer::Arrived(std::size_t number, Ran result) {
  if (number >= _Taken + _Found.size()) throw std::logic_error("a result for a path not yet found");
  if (number < _Taken || _Found[number - _Taken].Result) return;
  _Found[number - _Taken].Result = std::move(result);
  Drain();
}

// Taking a result may find more paths, and a path whose last line hung arrives at once: the loop
// that is already taking results takes those too.
void Explorer::Drain() {
  if (_Draining) return;
  _Draining = true;
  while (!_Found.empty() && _Found.front().Result) {
    const Found found = std::move(_Found.front());
    _Found.pop_front();
    ++_Taken;
    Take(found.Path, *found.Result);
  }
  _Draining = false;
}

void Explorer::Take(const Node& node, const Ran& result) {
  CommandStats& stats = _Book.Stats(node.Where.Command);
  if (std::holds_alternative<Skipped>(result)) {
    ++stats.Skipped;
    _Book.MarkSkipped(node.Test);
  } else if (const auto* death = std::get_if<Pool::Death>(&result)) {
    ++(node.Stage == Phase::Lifecycle ? stats.Lifecycles : stats.Paths);
    const Finding finding = DeathFinding(*death, node.Where.Steps);
    _Book.Record({node.Stage, node.Where.Command, node.Label, node.Where.Steps, 0}, {finding}, node.Test, death->Line);
  } else {
    Process(node, std::get<CaseResult>(result));
  }
}

void Explorer::Process(const Node& node, const CaseResult& result) {
  CommandStats& stats = _Book.Stats(node.Where.Command);
  ++(node.Stage == Phase::Lifecycle ? stats.Lifecycles : stats.Paths);
  std::vector<Finding> findings = result.Findings;
  if (result.Stopped) {
    findings.push_back({kind::Nondeterminism, "a line that the same steps allowed before was refused"});
  }
  _Book.Record({node.Stage, node.Where.Command, node.Label, node.Where.Steps, 0}, findings, node.Test);
  if (result.Fatal) return;
  if (findings.empty()) {
    _Planner.Sweep(node.Where);
  } else {
    // Faults would only show again what the path shows without them.
    ++stats.Unswept;
  }
  if (!node.Look || result.Fingerprint.empty()) return;
  std::set<std::string>& states = _States[node.Where.Command];
  const bool fresh = static_cast<int>(states.size()) < _Limits.States && states.insert(result.Fingerprint).second;
  if (!fresh) return;
  ++stats.States;
  if (!result.Running || node.Depth >= node.MaxDepth) return;
  for (const auto& action : result.Actions) {
    const Path next{node.Where.Command, With(node.Where.Steps, action)};
    Explore({next, Phase::Exploration, "path", true, node.Depth + 1, node.MaxDepth, 0});
  }
}

}  // namespace vexvalidator
