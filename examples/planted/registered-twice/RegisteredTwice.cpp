// Planted fault: the command's name is entered into the dictionary by two static objects.
#include "PlantedCommand.h"

class VexExRegisteredTwiceCmd : public VexExPlantedCmd {};

VEX_EX_PLANTED_MODULE(VexExRegisteredTwiceCmd, VexExRegisteredTwice)

namespace {
VexFillDictionary SecondRegistration("VexExRegisteredTwiceCmd", &fctCreateVexExRegisteredTwiceCmd);
}
