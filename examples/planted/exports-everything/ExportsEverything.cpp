// Planted fault: built without an export list, the module exports its classes' symbols as well as
// its entry points.
#include "PlantedCommand.h"

class VexExExportsEverythingCmd : public VexExPlantedCmd {};

VEX_EX_PLANTED_MODULE(VexExExportsEverythingCmd, VexExExportsEverything)
