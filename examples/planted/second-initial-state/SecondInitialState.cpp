// Planted fault: the graph asks for its initial state a second time, under another name, as if
// that made a second state to confirm in.
#include "PlantedCommand.h"

class VexExSecondInitialStateCmd : public VexExPlantedCmd {
 public:
  void BuildGraph() override {
    VexExPlantedCmd::BuildGraph();
    VexXHContext::Guard(
        [&] {
          VexDialogState* confirming = GetInitialState("Confirming");
          if (confirming != nullptr && _Agent != nullptr) confirming->AddDialogAgent(_Agent);
        },
        VexExLeaveToHost);
  }
};

VEX_EX_PLANTED_MODULE(VexExSecondInitialStateCmd, VexExSecondInitialState)
