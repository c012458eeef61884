// Where vexhost finds its default module and the module's resource texts: beside itself, where the
// package installs them. The build tree has them in the same places (links to what it built), so
// that the program holds no path of the tree it was built in.
#pragma once

#include <string>

namespace vexapp {

std::string DefaultModulePath();
std::string DefaultResourceDir();

}  // namespace vexapp
