// Planted fault: OK tidies up a scratch file it thinks an earlier run left behind.
#include <cstdio>

#include "PlantedCommand.h"

class VexExRemovesFileCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { std::remove("planted-scratch.txt"); }
};

VEX_EX_PLANTED_MODULE(VexExRemovesFileCmd, VexExRemovesFile)
