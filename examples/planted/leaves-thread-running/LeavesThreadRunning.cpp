// Planted fault: OK starts a background thread to tidy up later and lets it run on after the
// command has ended.
#include <chrono>
#include <thread>

#include "PlantedCommand.h"

class VexExLeavesThreadRunningCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    std::thread([] { std::this_thread::sleep_for(std::chrono::minutes(10)); }).detach();
  }
};

VEX_EX_PLANTED_MODULE(VexExLeavesThreadRunningCmd, VexExLeavesThreadRunning)
