// Dynamic libraries on Linux: dlopen, dlsym, dlclose.
#include <dlfcn.h>

#include "Libraries.h"

namespace vexhost::detail {

namespace {

// Sanitizer builds keep modules mapped: unloading one would make LeakSanitizer report false
// leaks and lose the symbols of its frames.
#ifdef VEXHOST_KEEP_MODULES_LOADED
constexpr int LoadFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
#else
constexpr int LoadFlags = RTLD_NOW | RTLD_LOCAL;
#endif

}  // namespace

void* OpenLibrary(const std::string& path, std::string& problem) {
  void* library = dlopen(path.c_str(), LoadFlags);
  if (library == nullptr) {
    const char* said = dlerror();
    problem = said != nullptr ? said : "unknown error";
  }
  return library;
}

void* FindExport(void* library, const std::string& name) { return dlsym(library, name.c_str()); }

void CloseLibrary(void* library) { dlclose(library); }

int SystemDisableThreadLibraryCalls(void* /*library*/) { return 1; }

}  // namespace vexhost::detail
