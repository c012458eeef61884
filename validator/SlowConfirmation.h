// A slow step counts only when its own replay, run by the host program in a process of its own
// with nothing else of the validation beside it, is slow again: the run that found it shared the
// machine with every other worker, and a finding whose replay passes helps nobody.
#pragma once

#include <string>

#include "validator/findings/Outcome.h"

namespace vexvalidator {

// Runs the replay of each `slow` finding with `host` (the vexhost program) and drops the findings
// whose replay kept every step within the bound, saying so in the notes. A replay that cannot run
// to its end (a refused line, a crash, no answer within `limitMs`) leaves its finding as it was.
void ConfirmSlowByReplay(Outcome& outcome, const std::string& host, int limitMs);

}  // namespace vexvalidator
