// What runs when the host loads the module: the dictionary entry, then the platform entry.
#include <dlfcn.h>

#include "VexStrCreateInterimProdCmd.h"
#include "vex/Dictionary.h"

// GCOVR_EXCL_BR_LINE marks a new-expression: its branches (a null allocation skips the constructor,
// a raising constructor frees the memory) are the compiler's, not the module's decisions.
VexBaseUnknown* fctCreateVexStrCreateInterimProdCmd() {
  // The host allocator gives null on failure, and then no constructor runs.
  return new VexStrCreateInterimProdCmd();  // GCOVR_EXCL_BR_LINE
}

int TOVARIK_KEL2_INTERNAL_VexStrInterimProduct() { return 1; }

namespace {

// The module's one static object. Its priority makes it run before the platform entry below,
// which would otherwise run first.
__attribute__((init_priority(201)))
VexFillDictionary Registration("VexStrCreateInterimProdCmd", &fctCreateVexStrCreateInterimProdCmd);

// The module's own handle: the loaded object that holds this function.
VexModuleHandle OwnHandle() {
  Dl_info info{};
  // GCOVR_EXCL_BR_START: a loaded module always finds itself
  if (dladdr(&Registration, &info) == 0 || info.dli_fname == nullptr) return nullptr;
  void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  // The lookup took a reference of its own; give it back, the handle stays valid while loaded.
  if (handle != nullptr) dlclose(handle);
  // GCOVR_EXCL_BR_STOP
  return handle;
}

// The platform entry at process attach: no thread attach and detach notifications for this module.
__attribute__((constructor(202))) void AttachToProcess() { DisableThreadLibraryCalls(OwnHandle()); }

}  // namespace
