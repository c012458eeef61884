// The host's dictionary of creatable classes, and the operating system's module entry.
#pragma once

#include "vex/Base.h"

using VexCreateFunction = VexBaseUnknown* (*)();

// A static object of this type enters a factory into the dictionary when its module loads.
class VexFillDictionary {
 public:
  VexFillDictionary(const char* className, VexCreateFunction factory);
};

using VexModuleHandle = void*;

// Switches off thread attach and detach notifications for the module.
int DisableThreadLibraryCalls(VexModuleHandle module);
