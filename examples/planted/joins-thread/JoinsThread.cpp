// Planted fault: OK does its work on a thread of its own and waits for it: the host has one thread.
#include <thread>

#include "PlantedCommand.h"

class VexExJoinsThreadCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    int sum = 0;
    std::thread worker([&] { sum = 1; });
    worker.join();
    static_cast<void>(sum);
  }
};

VEX_EX_PLANTED_MODULE(VexExJoinsThreadCmd, VexExJoinsThread)
