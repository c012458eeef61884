// Planted fault: a static object says goodbye on standard output when it is destroyed, at unload or at exit.
#include <cstdio>

#include "PlantedCommand.h"

class VexExWritesAtUnloadCmd : public VexExPlantedCmd {};

VEX_EX_PLANTED_MODULE(VexExWritesAtUnloadCmd, VexExWritesAtUnload)

namespace {
struct Farewell {
  ~Farewell() { std::puts("planted: goodbye"); }
} FarewellAtUnload;
}  // namespace
