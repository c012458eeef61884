// Planted fault: OK hides the dialog and leads back to the waiting state instead of ending the
// command, which then waits with nothing a person could see or end it with.
#include "PlantedCommand.h"

class VexExInvisibleWaitCmd : public VexExPlantedCmd {
 public:
  void BuildGraph() override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("PlantedAgent", _Dialog);
          VexDialogState* state = GetInitialState("Waiting");
          if (_Agent == nullptr || state == nullptr) return;
          state->AddDialogAgent(_Agent);
          const auto hide = static_cast<VexActionMethod>(&VexExInvisibleWaitCmd::HideAction);
          const auto leave = static_cast<VexActionMethod>(&VexExInvisibleWaitCmd::LeaveAction);
          AcceptOn(state, state, _Dialog->GetDiaOKNotification(), hide);
          AcceptOn(state, nullptr, _Dialog->GetDiaCANCELNotification(), leave);
          AcceptOn(state, nullptr, _Dialog->GetWindCloseNotification(), leave);
        },
        VexExLeaveToHost);
  }

  VexBoolean HideAction(void*) {
    VexXHContext::Guard(
        [&] {
          _Dialog->SetVisibility(VexDlgHide);
          _Agent->InitializeAcquisition();
        },
        VexExLeaveToHost);
    return 1;
  }

 private:
  void AcceptOn(VexDialogState* from, VexDialogState* to, VexNotification* notification, VexActionMethod action) {
    _Agent->AcceptOnEvent(notification, nullptr);
    AddTransition(from, to, IsLastModifiedAgentCondition(_Agent, notification), Action(action));
  }
};

VEX_EX_PLANTED_MODULE(VexExInvisibleWaitCmd, VexExInvisibleWait)
