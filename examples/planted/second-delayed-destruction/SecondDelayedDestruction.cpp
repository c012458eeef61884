// Planted fault: OK already hands the dialog to delayed destruction, and the destructor, which
// does not know, hands it over again.
#include "PlantedCommand.h"

class VexExSecondDelayedDestructionCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { _Dialog->RequestDelayedDestruction(); }
};

VEX_EX_PLANTED_MODULE(VexExSecondDelayedDestructionCmd, VexExSecondDelayedDestruction)
