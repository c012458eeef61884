// Planted fault: a hint label made in the application's main window at activation and never
// destroyed, so it outlives the command.
#include "PlantedCommand.h"

class VexExLeakedWidgetCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { new VexDlgLabel(MainWindow(), "StrayHint", 0); }
};

VEX_EX_PLANTED_MODULE(VexExLeakedWidgetCmd, VexExLeakedWidget)
