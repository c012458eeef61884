// Planted fault: OK waits for something that never comes.
#include "PlantedCommand.h"

class VexExEndlessActionCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    volatile bool waiting = true;
    while (waiting) {
    }
  }
};

VEX_EX_PLANTED_MODULE(VexExEndlessActionCmd, VexExEndlessAction)
