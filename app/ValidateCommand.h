// The `validate` subcommand of vexhost.
#pragma once

#include <string>

namespace vexapp {

// `argv[0]` is "validate". Returns the exit code.
int RunValidate(int argc, char** argv, const std::string& defaultResources);

}  // namespace vexapp
