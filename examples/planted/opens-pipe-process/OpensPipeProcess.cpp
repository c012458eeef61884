// Planted fault: activation reads the machine's name from a command run through popen.
#include <cstdio>

#include "PlantedCommand.h"

class VexExOpensPipeProcessCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    if (std::FILE* pipe = ::popen("true", "r")) ::pclose(pipe);
  }
};

VEX_EX_PLANTED_MODULE(VexExOpensPipeProcessCmd, VexExOpensPipeProcess)
