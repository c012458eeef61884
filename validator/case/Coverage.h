// How much of a module a validation reached: what one case saw of it as it ran without faults (the
// command's transitions and which of them fired, the dialogs shown, its slowest step), and what the
// validation gathers of it for each command (also the widgets acted on and how far each family of
// faults reached).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vexvalidator {

// One step and how long it took.
struct StepTime {
  std::string Line;
  double Milliseconds = 0;
  auto operator<=>(const StepTime&) const = default;
};

// What a case run without faults saw, told by its worker.
struct CaseCoverage {
  std::vector<std::string> Transitions;  // the command's graph: "From -> To when Condition"
  std::vector<int> Fired;                // indexes into Transitions, each once
  std::vector<std::string> Dialogs;      // dialogs shown after some step, each once
  std::vector<StepTime> Slowest;         // its slowest steps, each line once, slowest first
  bool Empty() const { return Transitions.empty() && Dialogs.empty() && Slowest.empty(); }
  // Keeps the step among the slowest.
  void Timed(const StepTime& step);
};

void to_json(nlohmann::json& out, const CaseCoverage& coverage);
void from_json(const nlohmann::json& in, CaseCoverage& coverage);

// How far the sweeps of one family of faults reached.
struct FaultReach {
  int Sweeps = 0;
  int Cases = 0;
  int Furthest = 0;  // the furthest fault point that a run met
};

// What the validation reached of one command.
struct CommandCoverage {
  std::vector<std::string> Transitions;
  std::set<int> Fired;
  std::set<std::string> Dialogs;
  std::set<std::string> Widgets;             // "Panel/OK", "Panel (close box)", "Panel/editor"
  std::map<std::string, FaultReach> Faults;  // by the family's name
  std::vector<StepTime> Slowest;             // the slowest steps, each line once, slowest first

  void Add(const CaseCoverage& seen);
  // The widgets that the accepted lines of a case acted on.
  void ActedOn(const std::vector<std::string>& lines);
  std::vector<std::string> NeverFired() const;
};

// How many of the slowest steps a command's coverage keeps.
inline constexpr std::size_t SlowestKept = 5;

// The widget a script line acts on, as the coverage names it; empty for a line that acts on none.
std::string WidgetOf(const std::string& line);

}  // namespace vexvalidator
