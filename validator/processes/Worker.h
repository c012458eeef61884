// A worker process: forked from the validator, it loads the module (WorkerProcess), reads jobs,
// runs their cases one after another, each on a fresh host session, and tells the validator what
// they found. Cases of a sweep that find nothing are only counted. It leaves after a case that left
// the process untrustworthy (an exception across the boundary, host objects that outlived their
// session, a change of the process), so that no case inherits another's damage; the pool starts a
// new one.
#pragma once

#include "Messages.h"
#include "Slot.h"
#include "validator/case/Runner.h"

namespace vexvalidator {

[[noreturn]] void ServeJobs(int in, int out, Slot& slot, const RunSetup& setup);

// The script lines a random sequence may choose besides the dialogs' actions.
std::vector<std::string> HostActions(const std::string& command, const RandomJob& work);

// Clean sweep cases are told in batches of this many (and at the end of each job).
inline constexpr int CleanBatch = 256;

}  // namespace vexvalidator
