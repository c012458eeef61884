// Planted fault: a module of two commands whose first factory makes a command of the second
// command's class, so the name registered for the first never starts its own command.
#include "PlantedCommand.h"

class VexExFactoryMakesSiblingCmd : public VexExPlantedCmd {};
class VexExFactoryMakesSiblingOtherCmd : public VexExPlantedCmd {};

VEX_EX_EXPORT VexBaseUnknown* fctCreateVexExFactoryMakesSiblingCmd() { return new VexExFactoryMakesSiblingOtherCmd(); }
VEX_EX_EXPORT VexBaseUnknown* fctCreateVexExFactoryMakesSiblingOtherCmd() {
  return new VexExFactoryMakesSiblingOtherCmd();
}
VEX_EX_EXPORT int TOVARIK_KEL2_INTERNAL_VexExFactoryMakesSibling() { return 1; }

namespace {
VexFillDictionary Registration("VexExFactoryMakesSiblingCmd", &fctCreateVexExFactoryMakesSiblingCmd);
VexFillDictionary OtherRegistration("VexExFactoryMakesSiblingOtherCmd", &fctCreateVexExFactoryMakesSiblingOtherCmd);
}  // namespace
