// Planted fault: a second command, a quick variant of the first, is registered with a factory the
// module does not export, so a host that looks factories up by name cannot create it.
#include "PlantedCommand.h"

class VexExUnexportedFactoryCmd : public VexExPlantedCmd {};

VEX_EX_PLANTED_MODULE(VexExUnexportedFactoryCmd, VexExUnexportedFactory)

namespace {
VexBaseUnknown* CreateQuick() { return new VexExUnexportedFactoryCmd(); }
VexFillDictionary QuickRegistration("VexExUnexportedQuickCmd", &CreateQuick);
}  // namespace
