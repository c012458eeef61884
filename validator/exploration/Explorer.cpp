#include "Explorer.h"

#include <algorithm>
#include <stdexcept>

#include "drive/Text.h"
#include "validator/case/Actions.h"
#include "validator/case/Coverage.h"

namespace vexvalidator {

namespace {

using vexdrive::Action;
using vexdrive::ActionLine;
using vexdrive::ActionVerb;

// The host's reactivation of the running command, and a document left without an editor, as lines.
const std::string Reactivation = ActionLine(Action::Reactivate());
const std::string NoEditor = ActionLine(Action::NoEditor());

std::vector<std::string> With(std::vector<std::string> lines, const std::string& more) {
  lines.push_back(more);
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Whether the line presses this button of a dialog.
bool IsPressOf(const std::string& line, const std::string& button) {
  const std::optional<Action> action = ActionOf(line);
  return action && action->Verb == ActionVerb::Press && action->Target.Widget == button;
}

// How often the last line was done in a row at the end of the steps.
int TrailingPresses(const std::vector<std::string>& steps) {
  int presses = 0;
  for (auto it = steps.rbegin(); it != steps.rend() && *it == steps.back(); ++it) ++presses;
  return presses;
}

// The dialog a person acts on with a line: "press Panel/OK" and "close Panel" act on 'Panel'.
std::string DialogOf(const std::string& line) {
  const std::string widget = WidgetOf(line);
  return widget.substr(0, widget.find_first_of("/ "));
}

// "'Panel'", "'Panel' and 'Box'": the dialogs a person can act on.
std::string Dialogs(const std::vector<std::string>& actions) {
  std::vector<std::string> names;
  for (const auto& action : actions) {
    const std::string name = "'" + DialogOf(action) + "'";
    if (!Has(names, name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return vexdrive::Join(names, " and ");
}

// "'A' and 'B'": the windows named, in order.
std::string Quoted(std::vector<std::string> names) {
  for (auto& name : names) name = "'" + name + "'";
  std::sort(names.begin(), names.end());
  return vexdrive::Join(names, " and ");
}

// What a person tries first to leave a state: its close box, Cancel, the OK of a message box, OK.
std::string FirstAttempt(const std::vector<std::string>& actions) {
  for (ActionVerb verb : {ActionVerb::Close, ActionVerb::Acknowledge}) {
    for (const auto& action : actions) {
      if (LineIs(action, verb)) return action;
    }
  }
  for (const char* button : {"Cancel", "OK"}) {
    for (const auto& action : actions) {
      if (IsPressOf(action, button)) return action;
    }
  }
  return actions.front();
}

}  // namespace

Explorer::Explorer(Limits limits, const vexhost::DocumentData& document, FindingBook& book, SweepPlanner& planner,
                   const HungLines& hangs, SubmitJob submit)
    : _Limits(limits), _Document(document), _Book(book), _Planner(planner), _Hangs(hangs), _Submit(std::move(submit)) {}

void Explorer::Plan(const std::string& command) {
  const std::string start = StartLine(command);
  const auto& active = _Document.ActivePath;
  _Book.Stats(command);
  _Commands.push_back(command);
  Explore({{command, {start}}, Phase::Lifecycle, "start and close the document", true, 0, _Limits.Depth, 0});
  Explore({{command, {start, ActionLine(Action::Interrupt())}}, Phase::Lifecycle, "start and cancel", false, 0, 0, 0});
  Explore({{command, {start, start}}, Phase::Lifecycle, "start while it already runs", false, 0, 0, 0});
  if (active) Explore({{command, {NoEditor, start}}, Phase::Lifecycle, "start with no editor", true, 0, 1, 0});
  // Every other product made active, and what a person can do at once there.
  const std::string activePath = active ? vexdrive::Join(*active, "/") : std::string();
  for (const auto& path : ProductPaths(_Document)) {
    if (path == activePath) continue;
    Explore({{command, {ActionLine(Action::Active(path, vexdrive::Writing::AsTyped)), start}},
             Phase::Exploration,
             "path",
             true,
             0,
             std::min(1, _Limits.Depth),
             0});
  }
  // Activated again, as the host does around a command run over it for a while.
  Explore({{command, {start, Reactivation}}, Phase::Lifecycle, "start, then activate it again", false, 0, 0, 0});
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
  // Every run reports the state it reached: the way-out search needs it also where nothing is explored.
  _Submit({node.Where.Command, node.Where.Steps, ExplorationJob{true, number, node.Why == Purpose::Path}}, Exploring);
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
// that is already taking results takes those too. Once every path is taken, the way-out search
// finds more, until it is over.
void Explorer::Drain() {
  if (_Draining) return;
  _Draining = true;
  for (;;) {
    while (!_Found.empty() && _Found.front().Result) {
      const Found found = std::move(_Found.front());
      _Found.pop_front();
      ++_Taken;
      Take(found.Path, *found.Result);
    }
    if (!_Found.empty() || _Over) break;
    SearchWayOut();
  }
  _Draining = false;
}

void Explorer::Take(const Node& node, const Ran& result) {
  CommandStats& stats = _Book.Stats(node.Where.Command);
  if (std::holds_alternative<Skipped>(result)) {
    ++stats.Skipped;
    _Book.MarkSkipped(node.Test);
    return;
  }
  ++(node.Stage == Phase::Lifecycle ? stats.Lifecycles
     : node.Why == Purpose::Repeat  ? stats.Repeats
     : node.Why == Purpose::WayOut  ? stats.WayOut
     : node.Why == Purpose::Return  ? stats.Returns
                                    : stats.Paths);
  if (const auto* death = std::get_if<Pool::Death>(&result)) {
    // Nothing beyond a run that died can be explored, nor its last line swept.
    ++stats.Died;
    if (node.Why == Purpose::Path) ++stats.Unswept;
    _Book.AddPhase(node.Where.Command, node.Stage, 1, 0);
    const Finding finding = DeathFinding(*death, node.Where.Steps);
    _Book.Record({node.Stage, node.Where.Command, node.Label, node.Where.Steps, 0}, {finding}, node.Test, death->Line);
    return;
  }
  Process(node, std::get<CaseResult>(result));
}

void Explorer::Process(const Node& node, const CaseResult& result) {
  const std::string& command = node.Where.Command;
  const std::vector<std::string>& steps = node.Where.Steps;
  CommandStats& stats = _Book.Stats(command);
  _Book.AddPhase(command, node.Stage, 1, result.Seconds);
  _Book.Record({node.Stage, command, node.Label, steps, 0}, StepFindings(node, result), node.Test, -1, result.Seconds);
  CommandCoverage& coverage = _Book.Coverage(command);
  coverage.Add(result.Coverage);
  const std::size_t run = std::min(result.Trail.size(), steps.size());
  const std::size_t accepted = result.Stopped && run > 0 ? run - 1 : run;
  coverage.ActedOn(std::vector<std::string>(steps.begin(), steps.begin() + static_cast<long>(accepted)));
  // The state the last line was taken from, as this run met it: the graph of ways out holds a
  // person's actions in the dialogs only (starting again or cancelling is the host's doing).
  const std::string from =
      result.Trail.size() == steps.size() && !WidgetOf(steps.back()).empty() ? result.Trail.back() : std::string();
  // Left by an exception part-way: nothing was reached.
  const bool died = result.Fatal && result.Fingerprint.empty();
  if (died || result.Stopped) {
    if (died) ++stats.Died;
    if (node.Why == Purpose::Path) ++stats.Unswept;
    if (from.empty()) return;
    if (died) {
      _WayOut.Unknown(command, from, steps.back());
    } else {
      _WayOut.Refused(command, from, steps.back());
    }
    return;
  }
  // Findings without faults do not keep the faults away: what hides behind them is swept too. A
  // path with a slow step is the exception: each of its fault cases would wait as long again.
  const bool slow = std::any_of(result.Findings.begin(), result.Findings.end(),
                                [](const Finding& finding) { return finding.Kind == kind::Slow; });
  if (node.Why == Purpose::Path && slow) ++stats.SlowUnswept;
  if (node.Why == Purpose::Path && !slow) _Planner.Sweep(node.Where);
  if (node.Why == Purpose::Path && node.Stage == Phase::Exploration && !result.Running) Reactivate(node.Where);
  if (result.Fingerprint.empty()) return;
  // Only the exploration's own paths tell states apart: a path that repeats a press or looks for a
  // way out must not take a state from the path that would explore it.
  const bool fresh = node.Why == Purpose::Path && node.Look && Fresh(command, result.Fingerprint);
  _WayOut.Reached(node.Where, from, result.Fingerprint, result.Running, result.Actions, result.Shown);
  Extend(node, result, fresh);
  if (!fresh) PressAgainOnReturn(node, result);
}

std::vector<Finding> Explorer::StepFindings(const Node& node, const CaseResult& result) {
  std::vector<Finding> findings = result.Findings;
  const std::vector<std::string>& steps = node.Where.Steps;
  auto& done = _Done[node.Where.Command];
  const std::size_t run = std::min(result.Trail.size(), steps.size());
  for (std::size_t i = 0; i < run; ++i) {
    std::set<std::string>& there = done[result.Trail[i]];
    if (!result.Stopped || i + 1 < run) {
      there.insert(steps[i]);
    } else if (there.count(steps[i]) != 0) {
      findings.push_back(
          {kind::Nondeterminism, "`" + steps[i] + "` was refused in a state where the same line was done before"});
    } else {
      // Offered where the host does not allow it: the validator's guess, not the module's fault.
      ++_Book.Stats(node.Where.Command).Refused;
    }
  }
  return findings;
}

// The first path that ends the command with OK, again with the command activated anew in its
// course: at once after the start, after the editor went away, and just before the OK. What an
// activation keeps of the first one (the factory, the chosen class, the widgets) shows there.
void Explorer::Reactivate(const Path& path) {
  const std::vector<std::string>& steps = path.Steps;
  const std::string& last = steps.back();
  const auto start =
      std::find_if(steps.begin(), steps.end(), [](const std::string& line) { return LineIs(line, ActionVerb::Start); });
  const bool ok = IsPressOf(last, "OK");
  if (!ok || start == steps.end() || start + 1 == steps.end() || !_Reactivated.insert(path.Command).second) return;
  const auto afterStart = start + 1;
  auto variant = [&](std::vector<std::string> inserted, std::vector<std::string>::const_iterator at) {
    std::vector<std::string> lines(steps.begin(), at);
    lines.insert(lines.end(), inserted.begin(), inserted.end());
    lines.insert(lines.end(), at, steps.end());
    Explore({{path.Command, lines}, Phase::Exploration, "path", false, 0, 0, 0});
  };
  variant({Reactivation}, afterStart);
  variant({NoEditor, Reactivation}, afterStart);
  if (afterStart + 1 != steps.end()) variant({NoEditor, Reactivation}, steps.end() - 1);
}

bool Explorer::Fresh(const std::string& command, const std::string& state) {
  std::set<std::string>& states = _States[command];
  if (states.count(state) != 0) return false;
  if (static_cast<int>(states.size()) >= _Limits.States) {
    if (_TurnedAway[command].insert(state).second) ++_Book.Stats(command).StatesTurnedAway;
    return false;
  }
  states.insert(state);
  ++_Book.Stats(command).States;
  return true;
}

void Explorer::Extend(const Node& node, const CaseResult& result, bool fresh) {
  if (!node.Look || !result.Running) return;
  const std::vector<std::string>& steps = node.Where.Steps;
  const bool deeper = fresh && node.Why == Purpose::Path && node.Depth < node.MaxDepth;
  if (deeper) {
    for (const auto& action : result.Actions) {
      Explore({{node.Where.Command, With(steps, action)},
               Phase::Exploration,
               "path",
               true,
               node.Depth + 1,
               node.MaxDepth,
               0});
    }
  } else if (fresh && node.Why == Purpose::Path && node.MaxDepth == _Limits.Depth && !result.Actions.empty()) {
    ++_Book.Stats(node.Where.Command).DepthFrontier;
  }
  // The same action again where it stays possible, even when what is shown did not change (when
  // the state is explored further, the path that repeats it is among those explored).
  const std::string& last = steps.back();
  if (node.Why == Purpose::WayOut || node.Why == Purpose::Return || WidgetOf(last).empty() ||
      TrailingPresses(steps) >= Presses) {
    return;
  }
  if ((deeper || !Has(result.Actions, last))) return;
  Explore({{node.Where.Command, With(steps, last)},
           Phase::Exploration,
           "path",
           true,
           node.Depth + 1,
           node.MaxDepth,
           0,
           Purpose::Repeat});
}

// A path that comes back to a state it passed earlier (a dialog opened and left, an editor typed
// and typed back) shows a person the same windows, yet the module may have changed what it keeps
// hidden on the way. Its buttons are pressed once more there, each once for every line that came
// back, so that a press the return left dead is watched like any other.
void Explorer::PressAgainOnReturn(const Node& node, const CaseResult& result) {
  const std::vector<std::string>& steps = node.Where.Steps;
  if (node.Why != Purpose::Path || !node.Look || !result.Running || result.Trail.size() != steps.size() ||
      WidgetOf(steps.back()).empty()) {
    return;
  }
  // Left at least one step before: a line that changed nothing is the repeated presses' concern.
  const auto left = result.Trail.end() - 1;
  if (std::find(result.Trail.begin(), left, result.Fingerprint) == left || *left == result.Fingerprint) return;
  if (!_Returned.insert(result.Fingerprint + "\n" + steps.back()).second) return;
  for (const auto& action : result.Actions) {
    if (!IsButtonLine(action)) continue;
    Explore({{node.Where.Command, With(steps, action)},
             Phase::Exploration,
             "path",
             true,
             node.Depth + 1,
             node.MaxDepth,
             0,
             Purpose::Return});
  }
}

void Explorer::SearchWayOut() {
  const std::vector<Path> next = _WayOut.Next(_Seen);
  if (next.empty()) {
    Conclude();
    _Over = true;
    return;
  }
  for (const Path& path : next) {
    Explore({path, Phase::Exploration, "way out", true, 0, 0, 0, Purpose::WayOut});
  }
}

// Each state that strands a person, as a finding whose replay goes there, tries to leave and
// expects the command to have ended.
void Explorer::Conclude() {
  for (const auto& command : _Commands) {
    const WayOut::Verdict verdict = _WayOut.Conclude(command);
    _Book.Stats(command).WayOutUnknown += verdict.Unknown;
    for (const auto& stranded : verdict.Stranded) {
      const std::vector<std::string>& steps = stranded.Where.Steps;
      const bool usable = !stranded.Actions.empty();
      const std::string shown = usable ? Dialogs(stranded.Actions) : Quoted(stranded.Shown);
      const std::string why = usable
                                  ? ", and no sequence of a person's actions ends it"
                                  : ", and nothing in them a person can use: no sequence of a person's actions ends it";
      const Finding finding{kind::Stranded, "the command runs on with " + shown + " shown" + why,
                            static_cast<int>(usable ? steps.size() : steps.size() - 1), "expect running no"};
      const std::vector<std::string> lines = usable ? With(steps, FirstAttempt(stranded.Actions)) : steps;
      const std::size_t test = _Book.AddTest(command + ".exploration", "way out: " + vexdrive::Join(steps, "; "));
      _Book.Record({Phase::Exploration, command, "way out", lines, 0}, {finding}, test);
    }
  }
}

}  // namespace vexvalidator
