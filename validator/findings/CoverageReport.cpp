#include "CoverageReport.h"

#include <iomanip>
#include <ostream>
#include <sstream>

#include "drive/Text.h"
#include "validator/case/Bounds.h"

namespace vexvalidator {

namespace {

std::string Count(int n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Milliseconds(double milliseconds) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(milliseconds < 10 ? 2 : 1) << milliseconds << " ms";
  return text.str();
}

std::vector<std::string> Listed(const std::set<std::string>& names) { return {names.begin(), names.end()}; }

}  // namespace

std::vector<std::string> BoundsMet(const Outcome& outcome) {
  std::vector<std::string> bounds;
  for (const auto& command : outcome.Commands) {
    const CommandStats& stats = outcome.Stats.at(command);
    const std::string of = " (" + command + ")";
    if (stats.DepthFrontier > 0) {
      bounds.push_back("depth " + std::to_string(outcome.Depth) + " reached: " +
                       Count(stats.DepthFrontier, "state", "states") + " with actions left unexplored (--depth)" + of);
    }
    if (stats.StatesTurnedAway > 0) {
      bounds.push_back(std::to_string(outcome.StatesBound) + " states told apart: " +
                       Count(stats.StatesTurnedAway, "state", "states") + " more not explored (--states)" + of);
    }
    if (stats.SweepsCapped > 0) {
      bounds.push_back(Count(stats.SweepsCapped, "sweep", "sweeps") + " stopped at " + std::to_string(MostFaultPoints) +
                       " fault points, its runs still meeting faults" + of);
    }
    if (stats.WayOutUnknown > 0) {
      bounds.push_back("a way out searched for up to " + std::to_string(WayOutRounds) +
                       " actions beyond the exploration, in " + std::to_string(WayOutPaths) + " paths at most: " +
                       Count(stats.WayOutUnknown, "state", "states") + " whose way out the search did not reach" + of);
    }
  }
  return bounds;
}

std::vector<std::string> NotExplored(const Outcome& outcome) {
  std::vector<std::string> notes;
  for (const auto& command : outcome.Commands) {
    const CommandStats& stats = outcome.Stats.at(command);
    const std::string of = " (" + command + ")";
    if (stats.Died > 0) {
      notes.push_back(Count(stats.Died, "path", "paths") +
                      " whose run crashed, hung or was left by an exception: nothing beyond them was explored, "
                      "nor their last line swept (the findings say where)" +
                      of);
    }
    if (stats.Refused > 0) {
      notes.push_back(Count(stats.Refused, "action", "actions") +
                      " that the host refused where they had never been done: not explored" + of);
    }
    if (stats.SlowUnswept > 0) {
      notes.push_back(
          Count(stats.SlowUnswept, "path", "paths") +
          " with a slow step: not swept, for each fault case would wait as long (the findings say which step)" + of);
    }
    if (stats.Skipped > 0) {
      notes.push_back(Count(stats.Skipped, "path", "paths") + " ending in a line that hung before: not run" + of);
    }
  }
  return notes;
}

void WriteCoverage(std::ostream& out, const Outcome& outcome) {
  for (const auto& command : outcome.Commands) {
    const auto found = outcome.Coverage.find(command);
    if (found == outcome.Coverage.end()) continue;
    const CommandCoverage& coverage = found->second;
    out << "  coverage of " << command << ":\n";
    out << "    transitions fired: " << coverage.Fired.size() << " of " << coverage.Transitions.size() << "\n";
    for (const auto& never : coverage.NeverFired()) out << "      never fired: " << vexdrive::Printable(never) << "\n";
    out << "    states reached: " << outcome.Stats.at(command).States << "; dialogs shown: "
        << (coverage.Dialogs.empty() ? std::string("none")
                                     : vexdrive::Printable(vexdrive::Join(Listed(coverage.Dialogs), ", ")))
        << "\n";
    out << "    widgets acted on: "
        << (coverage.Widgets.empty() ? std::string("none")
                                     : vexdrive::Printable(vexdrive::Join(Listed(coverage.Widgets), ", ")))
        << "\n";
    if (!coverage.Faults.empty()) out << "    fault points reached (sweeps, cases, furthest point met):\n";
    for (const auto& [family, reach] : coverage.Faults) {
      out << "      " << family << ": " << reach.Sweeps << ", " << reach.Cases << ", " << reach.Furthest << "\n";
    }
    if (!coverage.Slowest.empty()) out << "    slowest steps:";
    for (const auto& step : coverage.Slowest) {
      out << " " << Milliseconds(step.Milliseconds) << " `" << vexdrive::Printable(step.Line) << "`;";
    }
    if (!coverage.Slowest.empty()) out << "\n";
  }
}

nlohmann::ordered_json CoverageJson(const Outcome& outcome) {
  using nlohmann::ordered_json;
  ordered_json all = ordered_json::object();
  for (const auto& [command, coverage] : outcome.Coverage) {
    ordered_json transitions = ordered_json::array();
    for (std::size_t i = 0; i < coverage.Transitions.size(); ++i) {
      transitions.push_back(
          {{"transition", coverage.Transitions[i]}, {"fired", coverage.Fired.count(static_cast<int>(i)) != 0}});
    }
    ordered_json faults = ordered_json::object();
    for (const auto& [family, reach] : coverage.Faults) {
      faults[family] = {{"sweeps", reach.Sweeps}, {"cases", reach.Cases}, {"furthest", reach.Furthest}};
    }
    ordered_json slowest = ordered_json::array();
    for (const auto& step : coverage.Slowest)
      slowest.push_back({{"line", step.Line}, {"milliseconds", step.Milliseconds}});
    const auto stats = outcome.Stats.find(command);
    all[command] = {{"transitions", transitions},
                    {"states", stats == outcome.Stats.end() ? 0 : stats->second.States},
                    {"dialogs", Listed(coverage.Dialogs)},
                    {"widgets", Listed(coverage.Widgets)},
                    {"faultPoints", faults},
                    {"slowestSteps", slowest}};
  }
  return all;
}

}  // namespace vexvalidator
