// Planted fault: the platform entry switches off thread calls without looking up the module's own
// handle: it passes a null one.
#include "PlantedCommand.h"

class VexExNullThreadHandleCmd : public VexExPlantedCmd {};

VEX_EX_PLANTED_MODULE(VexExNullThreadHandleCmd, VexExNullThreadHandle)

namespace {
__attribute__((constructor(202))) void AttachToProcess() { DisableThreadLibraryCalls(nullptr); }
}  // namespace
