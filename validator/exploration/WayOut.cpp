#include "WayOut.h"

#include <algorithm>

#include "validator/case/Actions.h"

namespace vexvalidator {

bool IsButtonLine(const std::string& line) {
  const std::optional<vexdrive::Action> action = ActionOf(line);
  return action && vexdrive::IsButton(*action);
}

void WayOut::Reached(const Path& path, const std::string& from, const std::string& state, bool running,
                     const std::vector<std::string>& actions, const std::vector<std::string>& shown) {
  Graph& graph = _Graphs[path.Command];
  const auto source = from.empty() || path.Steps.empty() ? graph.end() : graph.find(from);
  auto [found, fresh] = graph.try_emplace(state);
  if (fresh) {
    // A state first met by the search lies one action further beyond the exploration than its source.
    const bool probe = source != graph.end() && _Asked.count(path) != 0;
    found->second = {path, probe ? source->second.Beyond + 1 : 0, running, actions, shown, {}};
  }
  if (source != graph.end()) source->second.Edges[path.Steps.back()] = state;
}

void WayOut::Unknown(const std::string& command, const std::string& from, const std::string& line) {
  Graph& graph = _Graphs[command];
  const auto source = graph.find(from);
  if (source != graph.end()) source->second.Edges.try_emplace(line, std::nullopt);
}

void WayOut::Refused(const std::string& command, const std::string& from, const std::string& line) {
  Graph& graph = _Graphs[command];
  const auto source = graph.find(from);
  if (source != graph.end()) source->second.Edges[line] = from;
}

// The states that end, and those with an action that leads to one that can.
std::set<std::string> WayOut::CanEnd(const Graph& graph) {
  std::set<std::string> can;
  for (const auto& [name, state] : graph) {
    if (!state.Running) can.insert(name);
  }
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [name, state] : graph) {
      if (can.count(name) != 0) continue;
      for (const auto& [line, target] : state.Edges) {
        if (target && can.count(*target) != 0) {
          can.insert(name);
          grew = true;
          break;
        }
      }
    }
  }
  return can;
}

bool WayOut::Closed(const State& state) {
  return std::all_of(state.Actions.begin(), state.Actions.end(),
                     [&](const std::string& action) { return state.Edges.count(action) != 0; });
}

// The states whose way out is still sought: the exploration's states not yet shown to end, and the
// states of the search they lead to, as long as those are not shown to end either. A state the
// search met past one that ends is no longer of interest, nor what it leads to.
std::set<std::string> WayOut::Sought(const Graph& graph, const std::set<std::string>& can) {
  std::set<std::string> sought;
  std::vector<const State*> open;
  for (const auto& [name, state] : graph) {
    if (state.Beyond == 0 && state.Running && can.count(name) == 0 && sought.insert(name).second)
      open.push_back(&state);
  }
  while (!open.empty()) {
    const State* current = open.back();
    open.pop_back();
    for (const auto& [line, target] : current->Edges) {
      if (!target || can.count(*target) != 0 || !sought.insert(*target).second) continue;
      const auto next = graph.find(*target);
      if (next != graph.end()) open.push_back(&next->second);
    }
  }
  return sought;
}

std::vector<Path> WayOut::Next(const std::set<Path>& seen) {
  std::vector<Path> next;
  for (auto& [command, graph] : _Graphs) {
    const std::set<std::string> can = CanEnd(graph);
    const std::set<std::string> sought = Sought(graph, can);
    for (auto& [name, state] : graph) {
      if (!state.Running || state.Actions.empty() || sought.count(name) == 0 || state.Beyond >= Rounds) continue;
      // The buttons first: most states end by one of them. The rest once the buttons did not do it.
      const auto& edges = state.Edges;  // a structured binding cannot be captured everywhere
      const bool buttonsTried = std::all_of(state.Actions.begin(), state.Actions.end(), [&](const std::string& action) {
        return !IsButtonLine(action) || edges.count(action) != 0;
      });
      for (const auto& action : state.Actions) {
        if (state.Edges.count(action) != 0 || (!buttonsTried && !IsButtonLine(action))) continue;
        Path probe = state.Where;
        probe.Steps.push_back(action);
        if (seen.count(probe) != 0 || _Asked.count(probe) != 0) {
          // Run before without telling where it led: its outcome stays unknown.
          state.Edges.try_emplace(action, std::nullopt);
          continue;
        }
        // Past this round's share or the search's bound: left for a later round, or unknown.
        if (next.size() >= MostPerRound || _Asked.size() >= static_cast<std::size_t>(MostPaths)) continue;
        _Asked.insert(probe);
        next.push_back(std::move(probe));
      }
    }
  }
  return next;
}

WayOut::Verdict WayOut::Conclude(const std::string& command) const {
  Verdict verdict;
  const auto found = _Graphs.find(command);
  if (found == _Graphs.end()) return verdict;
  const Graph& graph = found->second;
  const std::set<std::string> can = CanEnd(graph);
  for (const auto& [name, state] : graph) {
    if (!state.Running || can.count(name) != 0) continue;
    if (state.Actions.empty()) {
      // Windows shown with nothing in them a person can use strand a person; nothing shown at all
      // is the host's to end when the user goes on.
      if (!state.Shown.empty()) verdict.Stranded.push_back({state.Where, {}, state.Shown});
      continue;
    }
    // Stranded only when everything reachable from here was run and told where it led.
    bool known = true;
    std::set<std::string> visited{name};
    std::vector<const State*> open{&state};
    while (known && !open.empty()) {
      const State* current = open.back();
      open.pop_back();
      if (!Closed(*current)) known = false;
      for (const auto& [line, target] : current->Edges) {
        if (!target) {
          known = false;
        } else if (visited.insert(*target).second) {
          const auto next = graph.find(*target);
          if (next == graph.end()) {
            known = false;
          } else {
            open.push_back(&next->second);
          }
        }
      }
    }
    if (known) {
      verdict.Stranded.push_back({state.Where, state.Actions, state.Shown});
    } else if (state.Beyond == 0) {
      ++verdict.Unknown;  // a state of the search's own is a step on the way, not a state to account for
    }
  }
  std::sort(verdict.Stranded.begin(), verdict.Stranded.end(), [](const StrandedState& a, const StrandedState& b) {
    if (a.Where.Steps.size() != b.Where.Steps.size()) return a.Where.Steps.size() < b.Where.Steps.size();
    return a.Where < b.Where;
  });
  return verdict;
}

}  // namespace vexvalidator
