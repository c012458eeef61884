// Planted fault: OK opens a log it never closes.
#include <fcntl.h>

#include "PlantedCommand.h"

class VexExLeavesDescriptorOpenCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { static_cast<void>(open("/dev/null", O_WRONLY)); }
};

VEX_EX_PLANTED_MODULE(VexExLeavesDescriptorOpenCmd, VexExLeavesDescriptorOpen)
