// One run of the shell: the module loaded, a session on the document, the script, and what is
// written at the end (journal, picture, accounting report).
#pragma once

#include "drive/Options.h"

namespace vexshell {

// Returns the exit code.
int Run(const vexdrive::Options& options);

}  // namespace vexshell
