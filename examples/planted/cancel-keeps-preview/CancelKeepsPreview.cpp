// Planted fault: at activation the command previews its work on the active product at once (the
// part number it would give), and neither Cancel nor the close box puts the old part number back: a
// person who cancels finds the document changed.
#include "PlantedCommand.h"

class VexExCancelKeepsPreviewCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { RenumberActiveProduct("Preview-1"); }  // the fault: never taken back
};

VEX_EX_PLANTED_MODULE(VexExCancelKeepsPreviewCmd, VexExCancelKeepsPreview)
