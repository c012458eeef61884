#include "ReplayEnding.h"

#include <filesystem>

#include "Report.h"

namespace vexvalidator {

std::vector<std::string> ReplayEnding(const Outcome& outcome, const FindingGroup& finding) {
  const std::string& kind = finding.What.Kind;
  if (kind == kind::InvisibleWait) {
    return {"# the command still runs, and a person sees nothing that could end it", "expect unseen no"};
  }
  if (kind == kind::Slow) {
    return {"# a person waits no longer than this for a step", "expect steps within " + std::to_string(outcome.SlowMs)};
  }
  return {};
}

std::string ReplayTarget(const std::string& replays, int number) {
  if (replays.empty()) return "FILE";
  return (std::filesystem::path(replays) / ReplayFileName(number)).string();
}

}  // namespace vexvalidator
