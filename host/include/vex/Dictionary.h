// The host's dictionary of creatable classes, and the operating system's module entry.
#pragma once

#include "vex/Base.h"

using VexCreateFunction = VexBaseUnknown* (*)();

// A static object of this type enters a factory into the dictionary when its module loads: the
// module's one static object, made at load, with no other host call. The command registered as
// NAME is created by the exported function fctCreateNAME (extern "C", returning the new command),
// and the module also exports TOVARIK_KEL2_INTERNAL_LIBRARY, LIBRARY being the library's name
// without "lib" and ".so" (without ".dll" on Windows). A second entry under a name already
// registered is refused.
class VexFillDictionary {
 public:
  VexFillDictionary(const char* className, VexCreateFunction factory);
};

using VexModuleHandle = void*;

// Switches off thread attach and detach notifications for the module: its platform entry calls it
// at process attach with the module's own handle (on Windows, the HMODULE that DllMain is given).
// The host records the call and, on Windows, passes it on to the system's function of this name,
// whose answer it returns: FALSE for a DLL with static thread-local storage, as every MinGW DLL
// has. A module includes no system header for it, so that this is the function it calls.
int DisableThreadLibraryCalls(VexModuleHandle module);
