// Planted fault: the interim-product factory of the active product, taken at activation, is
// released by OK and again by the destructor, whose holder was never cleared.
#include "PlantedCommand.h"

class VexExOverReleasedFactoryCmd : public VexExPlantedCmd {
 public:
  ~VexExOverReleasedFactoryCmd() override {
    VexXHContext::Guard(
        [&] {
          if (_Factory != nullptr) _Factory->Release();
        },
        VexExLeaveToHost);
  }

 protected:
  void OnActivate() override {
    VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
    if (editor == nullptr || _Factory != nullptr) return;
    VexPathElement path(editor->GetActivePath());
    VexBaseUnknown* product = path.SearchObject(VexIProduct::ClassName());
    if (product == nullptr) return;
    VexXHContext::Guard(
        [&] {
          void* factory = nullptr;
          product->QueryInterface(IID_VexIStrInterimProductFactory, &factory);
          _Factory = static_cast<VexBaseUnknown*>(factory);
        },
        VexExLeaveToHost);
    product->Release();
  }

  void OnOK() override {
    if (_Factory != nullptr) _Factory->Release();  // the holder keeps the released pointer
  }

 private:
  VexBaseUnknown* _Factory = nullptr;  // counted
};

VEX_EX_PLANTED_MODULE(VexExOverReleasedFactoryCmd, VexExOverReleasedFactory)
