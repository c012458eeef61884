#include "Defaults.h"

#include <filesystem>
#include <system_error>

namespace vexapp {

namespace {

namespace fs = std::filesystem;

// The folder holding the running executable.
fs::path OwnFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : self.parent_path();
}

// `installed`, a path relative to the package's prefix, as seen from the program in its bin folder.
std::string Beside(const fs::path& installed) { return (OwnFolder() / ".." / installed).lexically_normal().string(); }

}  // namespace

std::string DefaultModulePath() { return Beside(VEXHOST_INSTALLED_MODULE); }

std::string DefaultResourceDir() { return Beside(VEXHOST_INSTALLED_RESOURCES); }

}  // namespace vexapp
