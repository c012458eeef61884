// The correct twin of leaked-product-reference: the same command gives back the reference its
// search handed over. It validates clean, and the validator's benchmark weighs what a case of the
// leaking twin costs against a case of this one.
#include "PlantedCommand.h"

class VexExReleasedProductReferenceCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
    if (editor == nullptr) return;
    VexPathElement path(editor->GetActivePath());
    VexBaseUnknown* found = path.SearchObject(VexIProduct::ClassName());  // counted
    if (found == nullptr) return;
    // Given back before anything else can raise a host error and leave this call.
    found->Release();
    _Dialog->SetTitle("Create under the active product");
  }
};

VEX_EX_PLANTED_MODULE(VexExReleasedProductReferenceCmd, VexExReleasedProductReference)
