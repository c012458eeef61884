// Planted fault: OK moves the whole process into the temporary directory, and leaves it there.
#include <unistd.h>

#include "PlantedCommand.h"

class VexExChangesWorkingDirectoryCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { static_cast<void>(chdir("/tmp")); }
};

VEX_EX_PLANTED_MODULE(VexExChangesWorkingDirectoryCmd, VexExChangesWorkingDirectory)
