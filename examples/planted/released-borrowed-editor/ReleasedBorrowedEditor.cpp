// Planted fault: the current editor, which the host only lends, is released as if the command
// owned a reference to it.
#include "PlantedCommand.h"

class VexExReleasedBorrowedEditorCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    if (VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor()) editor->Release();
  }
};

VEX_EX_PLANTED_MODULE(VexExReleasedBorrowedEditorCmd, VexExReleasedBorrowedEditor)
