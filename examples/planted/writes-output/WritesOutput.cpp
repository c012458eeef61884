// Planted fault: OK prints a progress note to standard output, which belongs to the host.
#include <cstdio>

#include "PlantedCommand.h"

class VexExWritesOutputCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { std::printf("planted: creating\n"); }
};

VEX_EX_PLANTED_MODULE(VexExWritesOutputCmd, VexExWritesOutput)
