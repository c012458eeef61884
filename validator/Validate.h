// `vexhost validate MODULE`: checks the options, validates the module and writes the reports.
#pragma once

#include <iosfwd>

#include "validator/case/Options.h"

namespace vexvalidator {

// Returns the exit code: 0 clean, 1 with findings, 2 for bad usage (a module that cannot be
// loaded, a bad document or resource directory, a report that cannot be written).
int Validate(const ValidateOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vexvalidator
