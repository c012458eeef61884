// Planted fault: OK throws a C++ exception of its own, which no error scope catches.
#include <stdexcept>

#include "PlantedCommand.h"

class VexExExceptionAcrossBoundaryCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { throw std::runtime_error("the planted exception"); }
};

VEX_EX_PLANTED_MODULE(VexExExceptionAcrossBoundaryCmd, VexExExceptionAcrossBoundary)
