// Planted fault: OK keeps a note for later in the environment of the whole process.
#include <cstdlib>

#include "PlantedCommand.h"

class VexExChangesEnvironmentCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { setenv("VEX_PLANTED_LAST_CLASS", "Block", 1); }
};

VEX_EX_PLANTED_MODULE(VexExChangesEnvironmentCmd, VexExChangesEnvironment)
