// Planted fault: OK retitles the dialog in an error scope whose handler releases whatever error it
// caught, also one of another kind than VexError, which stays the host's.
#include "PlantedCommand.h"

class VexExReleasedOtherErrorCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    VexXHContext::Guard([&] { _Dialog->SetTitle("Done"); }, [](VexBaseUnknown* error) { error->Release(); });
  }
};

VEX_EX_PLANTED_MODULE(VexExReleasedOtherErrorCmd, VexExReleasedOtherError)
