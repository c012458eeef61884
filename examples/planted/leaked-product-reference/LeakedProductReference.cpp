// Planted fault: at activation the command looks up the active product, to put its name in the
// dialog's title, and never gives back the reference the search handed over. Each product of the
// document is left holding one reference too many: one fault, met on every product.
#include "PlantedCommand.h"

class VexExLeakedProductReferenceCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
    if (editor == nullptr) return;
    VexPathElement path(editor->GetActivePath());
    VexBaseUnknown* found = path.SearchObject(VexIProduct::ClassName());  // counted
    if (found == nullptr) return;
    _Dialog->SetTitle("Create under the active product");
    // The fault: no found->Release().
  }
};

VEX_EX_PLANTED_MODULE(VexExLeakedProductReferenceCmd, VexExLeakedProductReference)
