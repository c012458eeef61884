// Planted fault: activation sets SIGPIPE to be ignored, for a pipe it might write to, and leaves it so.
#include <csignal>

#include "PlantedCommand.h"

class VexExIgnoresSigpipeCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { std::signal(SIGPIPE, SIG_IGN); }
};

VEX_EX_PLANTED_MODULE(VexExIgnoresSigpipeCmd, VexExIgnoresSigpipe)
