// Doing an action on the desk as a person (or the host) would: the one executor of every action a
// script line, a click on the page or a step of the validator stands for.
#pragma once

#include <string>
#include <vector>

#include "Action.h"
#include "Desk.h"

namespace vexdrive {

// Does the action; returns what to report of it (what the class browser offers, what an
// interrupt did, the fault armed). Throws ActionRefused when the current state does not allow it,
// and LineError when no host session is open.
std::vector<std::string> Perform(Desk& desk, const Action& action);

}  // namespace vexdrive
