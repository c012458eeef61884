// What the validator's tests run on: this build's module and the planted-fault examples.
#pragma once

#include <string>
#include <vector>

#include "validator/case/Runner.h"

namespace vexvalidatortest {

inline constexpr const char* Command = "VexStrCreateInterimProdCmd";
inline constexpr const char* Panel = "InterimProductPanel";

// The embedded ship, this build's resources.
vexvalidator::RunSetup ShipSetup();
// Loads a module (with a session open, as a host has one).
void Load(const std::string& module);

}  // namespace vexvalidatortest
