// Where vexhost finds its default module and the module's resource texts: beside itself when it
// is installed, else where the build that made it put them.
#pragma once

#include <string>

namespace vexapp {

std::string DefaultModulePath();
std::string DefaultResourceDir();

}  // namespace vexapp
