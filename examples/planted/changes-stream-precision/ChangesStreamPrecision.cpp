// Planted fault: activation sets the precision of std::cout for numbers it never prints, and leaves it so.
#include <iostream>

#include "PlantedCommand.h"

class VexExChangesStreamPrecisionCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { std::cout.precision(12); }
};

VEX_EX_PLANTED_MODULE(VexExChangesStreamPrecisionCmd, VexExChangesStreamPrecision)
