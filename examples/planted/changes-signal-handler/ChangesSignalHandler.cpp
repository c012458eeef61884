// Planted fault: activation takes over the process's SIGTERM, to tidy up should the host be ended,
// and never gives it back.
#include <csignal>

#include "PlantedCommand.h"

namespace {
void TidyUp(int) {}
}  // namespace

class VexExChangesSignalHandlerCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { std::signal(SIGTERM, TidyUp); }
};

VEX_EX_PLANTED_MODULE(VexExChangesSignalHandlerCmd, VexExChangesSignalHandler)
