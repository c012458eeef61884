// Planted fault: OK renumbers the active product as it asks for the confirmation, instead of once it
// is confirmed. A person who cancels the confirmation, and then the panel, finds the document
// changed by a command nobody confirmed.
#include "ConfirmingCommand.h"

class VexExAppliesBeforeConfirmingCmd : public VexExConfirmingCmd {
 protected:
  void OnAsk() override {
    VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
    if (editor == nullptr) return;
    VexPathElement path(editor->GetActivePath());
    VexBaseUnknown* found = path.SearchObject(VexIProduct::ClassName());  // counted
    if (found == nullptr) return;
    VexIProduct_var product;
    product = found;
    found->Release();
    if (!!product) product->SetPartNumber(VexUnicodeString("Confirmed-1"));  // the fault: not yet confirmed
  }
};

VEX_EX_PLANTED_MODULE(VexExAppliesBeforeConfirmingCmd, VexExAppliesBeforeConfirming)
