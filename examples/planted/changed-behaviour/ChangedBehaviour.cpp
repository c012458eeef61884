// Planted change: nothing a host rule forbids, only not what was approved. The dialog shows a title
// of its own, spelt as approved in the build of the approved behaviour and misspelt in the build
// that changed (VEX_EX_TITLE), so that only approved behaviour can tell the two apart.
#include "PlantedCommand.h"

class VexExChangedBehaviourCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { _Dialog->SetTitle(VEX_EX_TITLE); }
};

VEX_EX_PLANTED_MODULE(VexExChangedBehaviourCmd, VexExChangedBehaviour)
