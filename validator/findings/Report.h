// The validation's report: a readable summary with every finding and the script that replays
// it, the same as JSON, and as JUnit XML for CI dashboards.
#pragma once

#include <iosfwd>
#include <string>

#include "Outcome.h"

namespace vexvalidator {

inline constexpr int ExitClean = 0;
inline constexpr int ExitFindings = 1;
inline constexpr int ExitBadUsage = 2;

int ExitCode(const Outcome& outcome);

// The file name of the nth finding's replay script (counted from 1).
std::string ReplayFileName(int number);
// The script that replays a finding with `vexhost --script`, its replay command in its comments.
std::string ReplayScript(const Outcome& outcome, const FindingGroup& finding, const std::string& file);
// The command line that replays it.
std::string ReplayCommand(const Outcome& outcome, const std::string& file);

void WriteText(std::ostream& out, const Outcome& outcome, const std::string& replays);
std::string JsonReport(const Outcome& outcome, const std::string& replays);
std::string JUnitReport(const Outcome& outcome, const std::string& replays);

}  // namespace vexvalidator
