// Planted fault: activation makes a cache directory for itself beside the document.
#include <sys/stat.h>

#include "PlantedCommand.h"

class VexExMakesDirectoryCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { ::mkdir("planted-cache", 0700); }
};

VEX_EX_PLANTED_MODULE(VexExMakesDirectoryCmd, VexExMakesDirectory)
