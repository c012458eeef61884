// Planted fault: OK waits a third of a second for something it could have done at once.
#include <chrono>
#include <thread>

#include "PlantedCommand.h"

class VexExSlowStepCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { std::this_thread::sleep_for(std::chrono::milliseconds(350)); }
};

VEX_EX_PLANTED_MODULE(VexExSlowStepCmd, VexExSlowStep)
