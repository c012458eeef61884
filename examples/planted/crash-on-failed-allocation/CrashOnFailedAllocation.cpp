// Planted fault: a hint label made at activation is used without a look at whether the host
// could allocate it.
#include "PlantedCommand.h"

class VexExCrashOnFailedAllocationCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    VexDlgLabel* hint = new VexDlgLabel(_Dialog, "Hint", 0);  // dies with the dialog
    hint->SetTitle("Press OK to go on");
  }
};

VEX_EX_PLANTED_MODULE(VexExCrashOnFailedAllocationCmd, VexExCrashOnFailedAllocation)
