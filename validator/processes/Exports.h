// The symbols a shared library exports, read from its dynamic symbol table.
#pragma once

#include <string>
#include <vector>

namespace vexvalidator {

// The defined symbols of the library's dynamic symbol table that other objects can bind to.
// Throws std::runtime_error when the file is not an ELF shared object that can be read.
std::vector<std::string> ExportedSymbols(const std::string& path);

// The module's marker: TOVARIK_KEL2_INTERNAL_ followed by the library's name without "lib" and
// the extension (libVexStrInterimProduct.so: VexStrInterimProduct).
std::string MarkerName(const std::string& path);
// The entry point through which the dictionary creates a registered command.
std::string FactoryName(const std::string& command);

}  // namespace vexvalidator
