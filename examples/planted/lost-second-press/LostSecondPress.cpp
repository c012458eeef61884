// Planted fault: OK applies and keeps the dialog open for more, but its action forgets to make the
// agent wait again. The second press of OK is lost, and so is every later press of Cancel or of the
// close box: a person is left with a dialog that nothing closes.
#include "PlantedCommand.h"

class VexExLostSecondPressCmd : public VexExPlantedCmd {
 public:
  void BuildGraph() override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("PlantedAgent", _Dialog);
          VexDialogState* state = GetInitialState("Waiting");
          if (_Agent == nullptr || state == nullptr) return;
          state->AddDialogAgent(_Agent);
          const auto apply = static_cast<VexActionMethod>(&VexExLostSecondPressCmd::ApplyAction);
          const auto leave = static_cast<VexActionMethod>(&VexExLostSecondPressCmd::LeaveAction);
          On(state, state, _Dialog->GetDiaOKNotification(), apply);
          On(state, nullptr, _Dialog->GetDiaCANCELNotification(), leave);
          On(state, nullptr, _Dialog->GetWindCloseNotification(), leave);
        },
        VexExLeaveToHost);
  }

  VexBoolean ApplyAction(void*) {
    VexXHContext::Guard([&] { _Dialog->SetTitle("Applied"); }, VexExLeaveToHost);
    return 1;  // the fault: no _Agent->InitializeAcquisition() here
  }

 private:
  void On(VexDialogState* from, VexDialogState* to, VexNotification* notification, VexActionMethod action) {
    _Agent->AcceptOnEvent(notification, nullptr);
    AddTransition(from, to, IsLastModifiedAgentCondition(_Agent, notification), Action(action));
  }
};

VEX_EX_PLANTED_MODULE(VexExLostSecondPressCmd, VexExLostSecondPress)
