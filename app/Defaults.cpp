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

// `installed` relative to the executable's folder when it exists there, else `built`.
std::string Either(const fs::path& installed, const char* built) {
  const fs::path folder = OwnFolder();
  std::error_code error;
  if (!folder.empty() && fs::exists(folder / installed, error)) return (folder / installed).lexically_normal().string();
  return built;
}

}  // namespace

std::string DefaultModulePath() {
  return Either(fs::path("..") / VEXHOST_INSTALLED_MODULE, VEXHOST_DEFAULT_MODULE);
}

std::string DefaultResourceDir() {
  return Either(fs::path("..") / VEXHOST_INSTALLED_RESOURCES, VEXHOST_DEFAULT_RESOURCES);
}

}  // namespace vexapp
