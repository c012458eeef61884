// Planted fault: Cancel is meant to step back rather than leave, so its transition leads back to the
// command's state; its action also switches OK off until the dialog is filled again, which nothing
// in this dialog can do. From there Cancel and the close box lead back again and again: each press
// is answered, but no sequence of a person's actions ends the command.
#include "PlantedCommand.h"

class VexExDeadEndStateCmd : public VexExPlantedCmd {
 public:
  void BuildGraph() override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("PlantedAgent", _Dialog);
          VexDialogState* state = GetInitialState("Waiting");
          if (_Agent == nullptr || state == nullptr) return;
          state->AddDialogAgent(_Agent);
          const auto ok = static_cast<VexActionMethod>(&VexExDeadEndStateCmd::OKAction);
          const auto back = static_cast<VexActionMethod>(&VexExDeadEndStateCmd::StepBackAction);
          On(state, nullptr, _Dialog->GetDiaOKNotification(), ok);
          On(state, state, _Dialog->GetDiaCANCELNotification(), back);  // the fault: back, not out
          On(state, state, _Dialog->GetWindCloseNotification(), back);
        },
        VexExLeaveToHost);
  }

  VexBoolean StepBackAction(void*) {
    VexXHContext::Guard(
        [&] {
          _Dialog->SetOKSensitivity(VexDlgInsensitive);
          _Agent->InitializeAcquisition();
        },
        VexExLeaveToHost);
    return 1;
  }

 private:
  void On(VexDialogState* from, VexDialogState* to, VexNotification* notification, VexActionMethod action) {
    _Agent->AcceptOnEvent(notification, nullptr);
    AddTransition(from, to, IsLastModifiedAgentCondition(_Agent, notification), Action(action));
  }
};

VEX_EX_PLANTED_MODULE(VexExDeadEndStateCmd, VexExDeadEndState)
