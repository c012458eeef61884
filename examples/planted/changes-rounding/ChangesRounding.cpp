// Planted fault: OK rounds its sizes upward by setting the floating-point rounding, and leaves it so.
#include <cfenv>

#include "PlantedCommand.h"

class VexExChangesRoundingCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { std::fesetround(FE_UPWARD); }
};

VEX_EX_PLANTED_MODULE(VexExChangesRoundingCmd, VexExChangesRounding)
