// The host's dictionary of creatable classes, and the operating system's module entry.
#pragma once

#include "vex/Base.h"

using VexCreateFunction = VexBaseUnknown* (*)();

// A static object of this type enters a factory into the dictionary when its module loads: the
// module's one static object, made at load, with no other host call. The command registered as
// NAME is created by the exported function fctCreateNAME (extern "C", returning the new command),
// and the module also exports TOVARIK_KEL2_INTERNAL_LIBRARY, LIBRARY being the library's name
// without "lib" and ".so". A second entry under a name already registered is refused.
class VexFillDictionary {
 public:
  VexFillDictionary(const char* className, VexCreateFunction factory);
};

using VexModuleHandle = void*;

// Switches off thread attach and detach notifications for the module.
int DisableThreadLibraryCalls(VexModuleHandle module);
