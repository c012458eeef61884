// Planted fault: the module switches OK on only the first time a command shows its dialog, as if
// the dialog were made once per process: from the second command on, OK stays greyed.
#include "PlantedCommand.h"

namespace {
bool okSwitchedOn = false;  // the fault: kept from one command to the next
}  // namespace

class VexExFirstCommandOnlyCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    _Dialog->SetOKSensitivity(okSwitchedOn ? VexDlgInsensitive : VexDlgSensitive);
    okSwitchedOn = true;
  }
};

VEX_EX_PLANTED_MODULE(VexExFirstCommandOnlyCmd, VexExFirstCommandOnly)
