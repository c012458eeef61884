// Planted fault: the command reads the active product as it builds its graph. When the host cannot
// give the product's interface (its query answers a failing status), the command says so in an
// error box in place of its dialog; but the box's OK is wired only on the way where the product was
// read, so after the failed call nothing answers the box's OK and the command waits behind it.
// Without faults the box never shows.
#include "PlantedCommand.h"
#include "vex/ErrorBox.h"

class VexExBoxDeafAfterFailedCallCmd : public VexExPlantedCmd {
 public:
  VexExBoxDeafAfterFailedCallCmd() {
    VexXHContext::Guard([&] { _Box = new VexStrErrorBox("PlantedErrorBox"); }, VexExLeaveToHost);
  }

  ~VexExBoxDeafAfterFailedCallCmd() override {
    Dispose(_Box);
    Dispose(_BoxAgent);
  }

  void BuildGraph() override {
    VexExPlantedCmd::BuildGraph();
    VexXHContext::Guard(
        [&] {
          _Unreadable = !ActiveProductReadable();
          VexDialogState* state = GetInitialState("Waiting");
          // The fault: the box shows exactly when this returns early, before its OK is wired.
          if (_Unreadable || _Box == nullptr || state == nullptr) return;
          _BoxAgent = new VexDialogAgent("PlantedBoxAgent", 0, 3);
          if (_BoxAgent == nullptr) return;
          _BoxAgent->AcceptOnNotify(_Box, _Box->GetNfyOKNotification());
          state->AddDialogAgent(_BoxAgent);
          const auto close = static_cast<VexActionMethod>(&VexExBoxDeafAfterFailedCallCmd::CloseBoxAction);
          AddTransition(state, nullptr, IsLastModifiedAgentCondition(_BoxAgent, _Box->GetNfyOKNotification()),
                        Action(close));
        },
        VexExLeaveToHost);
  }

  VexBoolean CloseBoxAction(void*) {
    VexXHContext::Guard([&] { _Box->SetVisibility(VexDlgHide); }, VexExLeaveToHost);
    return 1;
  }

 protected:
  void OnActivate() override {
    if (!_Unreadable || _Box == nullptr) return;
    _Dialog->SetVisibility(VexDlgHide);
    _Box->SetText("The active product cannot be read.");
    _Box->SetVisibility(VexDlgShow);
  }

 private:
  // False when the active product is there but the host gives no product interface for it; with
  // no editor or no product there is nothing to read, and the dialog shows as always.
  static bool ActiveProductReadable() {
    VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
    if (editor == nullptr) return true;
    VexPathElement path(editor->GetActivePath());
    VexBaseUnknown* found = path.SearchObject(VexIProduct::ClassName());  // counted
    if (found == nullptr) return true;
    VexIProduct_var product;
    // Released whatever the binding raises.
    VexXHContext::Guard([&] { product = found; }, VexExLeaveToHost);
    found->Release();
    return !!product;
  }

  VexStrErrorBox* _Box = nullptr;       // owned; disposed of by delayed destruction
  VexDialogAgent* _BoxAgent = nullptr;  // owned; disposed of by delayed destruction
  bool _Unreadable = false;
};

VEX_EX_PLANTED_MODULE(VexExBoxDeafAfterFailedCallCmd, VexExBoxDeafAfterFailedCall)
