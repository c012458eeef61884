// The operating system's dynamic libraries, as the module loader uses them: dlopen and its kin on
// Linux, LoadLibrary and its kin on Windows. The engine's own.
#pragma once

#include <string>

namespace vexhost::detail {

// Loads the library at `path` and runs its load-time code; null when it cannot, with the system's
// explanation in `problem`.
void* OpenLibrary(const std::string& path, std::string& problem);

// The address of what `library` exports as `name`, or null.
void* FindExport(void* library, const std::string& name);

// Gives back the reference OpenLibrary took: the system unloads the library when it held the last.
void CloseLibrary(void* library);

// The system's own switch of thread attach and detach calls for `library`, and its answer; where
// the system has no such switch (Linux), nothing to do, and 1.
int SystemDisableThreadLibraryCalls(void* library);

}  // namespace vexhost::detail
