// Planted fault: OK makes every file the process creates from now on private, and leaves it so.
#include <sys/stat.h>

#include "PlantedCommand.h"

class VexExChangesUmaskCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { umask(077); }
};

VEX_EX_PLANTED_MODULE(VexExChangesUmaskCmd, VexExChangesUmask)
