// The tests' view of the system's dynamic libraries, the same on Linux (ELF, dlopen) and Windows
// (PE, LoadLibrary): what a library file exports, and whether and where a library is loaded.
#pragma once

#include <string>
#include <vector>

namespace vextest {

// The names a library file exports: the defined global symbols of an ELF shared object's dynamic
// symbol table, or the names of a DLL's export table.
std::vector<std::string> ExportedNames(const std::string& path);

// The handle of the library at `path` if the process has it loaded, without a reference of the
// test's own; null otherwise.
void* LoadedLibrary(const std::string& path);

// What a loaded library exports as `name`, or null.
void* ExportOf(void* library, const std::string& name);

}  // namespace vextest
