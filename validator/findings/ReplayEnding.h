// How a finding's replay script ends, so that it fails as the case did. A crash crashes, a hang
// hangs, and `vexhost --check` reports what the accounting holds and what the module did to the
// process; a finding about the state a run ended in, or about the time a step took, ends its
// replay with the expectation that fails.
#pragma once

#include <string>
#include <vector>

#include "Outcome.h"

namespace vexvalidator {

// The script lines that end the replay of `finding` (a comment, then an `expect` line), or none.
std::vector<std::string> ReplayEnding(const Outcome& outcome, const FindingGroup& finding);

// Where the nth finding's replay is written (counted from 1), or FILE when it is not written: a
// report names no replay file that was not written.
std::string ReplayTarget(const std::string& replays, int number);

}  // namespace vexvalidator
