// Planted fault: Cancel and the close box run the same action as OK's work: the active product is
// renumbered on the way out, whichever way a person leaves.
#include "PlantedCommand.h"

class VexExCancelThatAppliesCmd : public VexExPlantedCmd {
 public:
  void BuildGraph() override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("PlantedAgent", _Dialog);
          VexDialogState* state = GetInitialState("Waiting");
          if (_Agent == nullptr || state == nullptr) return;
          state->AddDialogAgent(_Agent);
          const auto apply = static_cast<VexActionMethod>(&VexExCancelThatAppliesCmd::ApplyAndLeaveAction);
          On(state, _Dialog->GetDiaOKNotification(), apply);
          On(state, _Dialog->GetDiaCANCELNotification(), apply);  // the fault: Cancel applies too
          On(state, _Dialog->GetWindCloseNotification(), apply);
        },
        VexExLeaveToHost);
  }

  VexBoolean ApplyAndLeaveAction(void*) {
    VexXHContext::Guard([] { RenumberActiveProduct("Applied-1"); }, VexExLeaveToHost);
    return LeaveAction(nullptr);
  }

 private:
  void On(VexDialogState* state, VexNotification* notification, VexActionMethod action) {
    _Agent->AcceptOnEvent(notification, nullptr);
    AddTransition(state, nullptr, IsLastModifiedAgentCondition(_Agent, notification), Action(action));
  }
};

VEX_EX_PLANTED_MODULE(VexExCancelThatAppliesCmd, VexExCancelThatApplies)
