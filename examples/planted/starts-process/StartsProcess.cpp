// Planted fault: OK asks the shell whether a tool is there, by std::system.
#include <cstdlib>

#include "PlantedCommand.h"

class VexExStartsProcessCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { static_cast<void>(std::system("true")); }
};

VEX_EX_PLANTED_MODULE(VexExStartsProcessCmd, VexExStartsProcess)
