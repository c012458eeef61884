// What runs when the host loads the module: the dictionary entry, then the platform entry (a
// constructor on Linux, DllMain on Windows).
#ifndef _WIN32
#include <dlfcn.h>
#endif

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

// The module's one static object. Its priority makes it run before the Linux platform entry below,
// which would otherwise run first; on Windows the C runtime constructs it before it calls DllMain.
__attribute__((init_priority(201)))
VexFillDictionary Registration("VexStrCreateInterimProdCmd", &fctCreateVexStrCreateInterimProdCmd);

#ifndef _WIN32
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

#endif
}  // namespace

#ifdef _WIN32
// The platform entry on Windows, which the system calls with the DLL's own handle. At process
// attach: no thread attach and detach notifications for this module, and nothing else. The call is
// the host contract's (vex/Dictionary.h), which tells the host and passes the call on to the
// system. A DLL with static thread-local storage, as every MinGW DLL has, gets FALSE from the
// system: the module does not depend on the result. The types are the system's BOOL, HINSTANCE,
// DWORD and LPVOID, so that the module needs no header beyond the contracts.
extern "C" int __stdcall DllMain(VexModuleHandle module, unsigned long reason, void* /*reserved*/) {
  constexpr unsigned long ProcessAttach = 1;  // DLL_PROCESS_ATTACH
  if (reason == ProcessAttach) DisableThreadLibraryCalls(module);
  return 1;  // TRUE: the module loads
}
#endif
