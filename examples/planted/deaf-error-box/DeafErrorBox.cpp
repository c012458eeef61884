// Planted fault: the command has nothing to do and says so in an error box, and it makes an agent
// for the box's OK and a transition that ends the command on it; but the agent is never added to
// the command's state, so nobody hears the OK: the box stays, and nothing ends the command.
#include "PlantedCommand.h"
#include "vex/ErrorBox.h"

class VexExDeafErrorBoxCmd : public VexExPlantedCmd {
 public:
  VexExDeafErrorBoxCmd() {
    VexXHContext::Guard([&] { _Box = new VexStrErrorBox("PlantedErrorBox"); }, VexExLeaveToHost);
  }

  ~VexExDeafErrorBoxCmd() override {
    Dispose(_Box);
    Dispose(_BoxAgent);
  }

  void BuildGraph() override {
    VexExPlantedCmd::BuildGraph();
    VexXHContext::Guard(
        [&] {
          VexDialogState* state = GetInitialState("Waiting");
          if (_Box == nullptr || state == nullptr) return;
          _BoxAgent = new VexDialogAgent("PlantedBoxAgent", 0, 3);
          if (_BoxAgent == nullptr) return;
          _BoxAgent->AcceptOnNotify(_Box, _Box->GetNfyOKNotification());
          // The fault: no state->AddDialogAgent(_BoxAgent).
          const auto close = static_cast<VexActionMethod>(&VexExDeafErrorBoxCmd::CloseBoxAction);
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
  // Nothing to do here: the dialog gives way to the box that says so.
  void OnActivate() override {
    if (_Box == nullptr) return;
    _Dialog->SetVisibility(VexDlgHide);
    _Box->SetText("Nothing to create under this product.");
    _Box->SetVisibility(VexDlgShow);
  }

 private:
  VexStrErrorBox* _Box = nullptr;       // owned; disposed of by delayed destruction
  VexDialogAgent* _BoxAgent = nullptr;  // owned; disposed of by delayed destruction
};

VEX_EX_PLANTED_MODULE(VexExDeafErrorBoxCmd, VexExDeafErrorBox)
