// Planted fault: OK makes a note label, releases its only reference, then sets its title.
#include "PlantedCommand.h"

class VexExUseAfterReleaseCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    VexDlgLabel* note = new VexDlgLabel(nullptr, "ReleasedNote", 0);
    if (note == nullptr) return;
    note->Release();
    note->SetTitle("done");  // the label's last reference is gone
  }
};

VEX_EX_PLANTED_MODULE(VexExUseAfterReleaseCmd, VexExUseAfterRelease)
