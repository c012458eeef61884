#include "Coverage.h"

#include <algorithm>

#include "Actions.h"

namespace vexvalidator {

void to_json(nlohmann::json& out, const CaseCoverage& coverage) {
  out = nlohmann::json::object();
  if (!coverage.Transitions.empty()) {
    out["transitions"] = coverage.Transitions;
    out["fired"] = coverage.Fired;
  }
  if (!coverage.Dialogs.empty()) out["dialogs"] = coverage.Dialogs;
  if (!coverage.Slowest.empty()) {
    nlohmann::json slowest = nlohmann::json::array();
    for (const auto& step : coverage.Slowest) slowest.push_back({step.Line, step.Milliseconds});
    out["slowest"] = std::move(slowest);
  }
}

void from_json(const nlohmann::json& in, CaseCoverage& coverage) {
  coverage.Transitions = in.value("transitions", std::vector<std::string>{});
  coverage.Fired = in.value("fired", std::vector<int>{});
  coverage.Dialogs = in.value("dialogs", std::vector<std::string>{});
  for (const auto& step : in.value("slowest", nlohmann::json::array())) {
    coverage.Slowest.push_back({step.at(0).get<std::string>(), step.at(1).get<double>()});
  }
  for (int fired : coverage.Fired) {
    if (fired < 0 || fired >= static_cast<int>(coverage.Transitions.size())) {
      throw nlohmann::json::out_of_range::create(401, "a fired transition that the graph does not hold", &in);
    }
  }
}

namespace {

// Keeps `step` among `slowest`: each line once, at its slowest, the slowest first, a few at most.
void KeepSlowest(std::vector<StepTime>& slowest, const StepTime& step) {
  const auto same =
      std::find_if(slowest.begin(), slowest.end(), [&](const StepTime& kept) { return kept.Line == step.Line; });
  if (same != slowest.end()) {
    if (same->Milliseconds >= step.Milliseconds) return;
    slowest.erase(same);
  }
  slowest.push_back(step);
  std::sort(slowest.begin(), slowest.end(), [](const StepTime& a, const StepTime& b) {
    return a.Milliseconds != b.Milliseconds ? a.Milliseconds > b.Milliseconds : a.Line < b.Line;
  });
  if (slowest.size() > SlowestKept) slowest.resize(SlowestKept);
}

}  // namespace

void CaseCoverage::Timed(const StepTime& step) { KeepSlowest(Slowest, step); }

void CommandCoverage::Add(const CaseCoverage& seen) {
  // A command's graph is the same at every start; the first case that saw it names its transitions.
  if (Transitions.empty()) Transitions = seen.Transitions;
  if (seen.Transitions == Transitions) Fired.insert(seen.Fired.begin(), seen.Fired.end());
  Dialogs.insert(seen.Dialogs.begin(), seen.Dialogs.end());
  for (const auto& step : seen.Slowest) KeepSlowest(Slowest, step);
}

void CommandCoverage::ActedOn(const std::vector<std::string>& lines) {
  for (const auto& line : lines) {
    const std::string widget = WidgetOf(line);
    if (!widget.empty()) Widgets.insert(widget);
  }
}

std::vector<std::string> CommandCoverage::NeverFired() const {
  std::vector<std::string> never;
  for (std::size_t i = 0; i < Transitions.size(); ++i) {
    if (Fired.count(static_cast<int>(i)) == 0) never.push_back(Transitions[i]);
  }
  return never;
}

std::string WidgetOf(const std::string& line) {
  const std::optional<vexdrive::Action> action = ActionOf(line);
  if (!action) return {};
  switch (action->Verb) {
    case vexdrive::ActionVerb::Close:
      return action->Target.Dialog + " (close box)";
    case vexdrive::ActionVerb::Acknowledge:
      return action->Target.Dialog + "/OK";
    case vexdrive::ActionVerb::Press:
    case vexdrive::ActionVerb::Type:
    case vexdrive::ActionVerb::Choose:
    case vexdrive::ActionVerb::Browse:
      return action->Target.Text();
    default:
      return {};
  }
}

}  // namespace vexvalidator
