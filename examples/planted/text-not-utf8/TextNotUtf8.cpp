// Planted fault: the dialog's title is written in Latin-1, where the host takes UTF-8.
#include "PlantedCommand.h"

class VexExTextNotUtf8Cmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { _Dialog->SetTitle("R\xE9glage"); }
};

VEX_EX_PLANTED_MODULE(VexExTextNotUtf8Cmd, VexExTextNotUtf8)
