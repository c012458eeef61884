// Planted fault: the destructor never hands the command's dialog to delayed destruction.
#include "PlantedCommand.h"

class VexExForgottenDestructionCmd : public VexExPlantedCmd {
 public:
  VexExForgottenDestructionCmd() { _DisposeDialog = false; }
};

VEX_EX_PLANTED_MODULE(VexExForgottenDestructionCmd, VexExForgottenDestruction)
