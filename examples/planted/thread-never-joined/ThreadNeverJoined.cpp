// Planted fault: a static object starts a background thread at load and nobody ever joins it, so
// destroying that object (at unload, or as the process ends) aborts the process.
#include <chrono>
#include <thread>

#include "PlantedCommand.h"

class VexExThreadNeverJoinedCmd : public VexExPlantedCmd {};

VEX_EX_PLANTED_MODULE(VexExThreadNeverJoinedCmd, VexExThreadNeverJoined)

namespace {
struct Ticker {
  std::thread Thread{[] {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }};
} TickerAtLoad;
}  // namespace
