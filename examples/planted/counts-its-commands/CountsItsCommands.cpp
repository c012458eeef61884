// Planted fault: the module counts its commands in a module-wide variable and titles the dialog
// with the count. Each command alone looks right; the next command in the same process is titled
// otherwise than the first, as no person asked for.
#include <string>

#include "PlantedCommand.h"

namespace {
int commandsRun = 0;  // the fault: state kept from one command to the next
}  // namespace

class VexExCountsItsCommandsCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    ++commandsRun;
    _Dialog->SetTitle(VexUnicodeString(("Command " + std::to_string(commandsRun)).c_str()));
  }
};

VEX_EX_PLANTED_MODULE(VexExCountsItsCommandsCmd, VexExCountsItsCommands)
