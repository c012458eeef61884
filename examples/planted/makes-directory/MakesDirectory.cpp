// Planted fault: activation makes a cache directory for itself (and takes it away again).
#include <sys/stat.h>
#include <unistd.h>

#include "PlantedCommand.h"

class VexExMakesDirectoryCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    ::mkdir("planted-cache", 0700);
    ::rmdir("planted-cache");
  }
};

VEX_EX_PLANTED_MODULE(VexExMakesDirectoryCmd, VexExMakesDirectory)
