// Planted fault: activation computes its default on another thread with std::async and waits for the result.
#include <future>

#include "PlantedCommand.h"

class VexExAsyncWorkCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    static_cast<void>(std::async(std::launch::async, [] { return 1; }).get());
  }
};

VEX_EX_PLANTED_MODULE(VexExAsyncWorkCmd, VexExAsyncWork)
