// Planted fault: the factory makes the command's base class, which the module also uses on its
// own, instead of the registered command, whose OK does more.
#include "PlantedCommand.h"

class VexExFactoryMakesBaseCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    if (_Dialog != nullptr) _Dialog->SetTitle("Done");
  }
};

VEX_EX_EXPORT VexBaseUnknown* fctCreateVexExFactoryMakesBaseCmd() { return new VexExPlantedCmd(); }
VEX_EX_EXPORT int TOVARIK_KEL2_INTERNAL_VexExFactoryMakesBase() { return 1; }

namespace {
VexFillDictionary Registration("VexExFactoryMakesBaseCmd", &fctCreateVexExFactoryMakesBaseCmd);
}  // namespace
