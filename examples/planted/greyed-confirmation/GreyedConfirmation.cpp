// Planted fault: OK asks for a confirmation in a second window and greys the panel meanwhile, but
// shows the confirmation greyed as well: both windows stay on the screen with nothing in them a
// person can use, and the command waits.
#include "PlantedCommand.h"

class VexExGreyedConfirmationCmd : public VexExPlantedCmd {
 public:
  VexExGreyedConfirmationCmd() {
    VexXHContext::Guard([&] { _Confirm = new VexDlgDialog(MainWindow(), "PlantedConfirm", 0); }, VexExLeaveToHost);
  }
  ~VexExGreyedConfirmationCmd() override {
    Dispose(_Confirm);
    Dispose(_ConfirmAgent);
  }

  void BuildGraph() override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr || _Confirm == nullptr) return;
          _Agent = new VexPanelAcquisition("PlantedAgent", _Dialog);
          _ConfirmAgent = new VexPanelAcquisition("ConfirmAgent", _Confirm);
          VexDialogState* state = GetInitialState("Waiting");
          if (_Agent == nullptr || _ConfirmAgent == nullptr || state == nullptr) return;
          state->AddDialogAgent(_Agent);
          state->AddDialogAgent(_ConfirmAgent);
          using Self = VexExGreyedConfirmationCmd;
          const auto ask = static_cast<VexActionMethod>(&Self::AskAction);
          const auto leave = static_cast<VexActionMethod>(&Self::LeaveBothAction);
          const auto back = static_cast<VexActionMethod>(&Self::BackAction);
          On(_Agent, state, state, _Dialog->GetDiaOKNotification(), ask);
          On(_Agent, state, nullptr, _Dialog->GetDiaCANCELNotification(), leave);
          On(_Agent, state, nullptr, _Dialog->GetWindCloseNotification(), leave);
          On(_ConfirmAgent, state, nullptr, _Confirm->GetDiaOKNotification(), leave);
          On(_ConfirmAgent, state, state, _Confirm->GetDiaCANCELNotification(), back);
          On(_ConfirmAgent, state, state, _Confirm->GetWindCloseNotification(), back);
        },
        VexExLeaveToHost);
  }

  VexBoolean AskAction(void*) {
    VexXHContext::Guard(
        [&] {
          _Dialog->SetSensitivity(VexDlgInsensitive);
          _ConfirmAgent->InitializeAcquisition();
          _Confirm->SetSensitivity(VexDlgInsensitive);  // the fault
          _Confirm->SetVisibility(VexDlgShow);
        },
        VexExLeaveToHost);
    return 1;
  }

  VexBoolean BackAction(void*) {
    VexXHContext::Guard(
        [&] {
          _Confirm->SetVisibility(VexDlgHide);
          _Dialog->SetSensitivity(VexDlgSensitive);
          _ConfirmAgent->InitializeAcquisition();
          _Agent->InitializeAcquisition();
        },
        VexExLeaveToHost);
    return 1;
  }

  VexBoolean LeaveBothAction(void*) {
    VexXHContext::Guard([&] { _Confirm->SetVisibility(VexDlgHide); }, VexExLeaveToHost);
    return LeaveAction(nullptr);
  }

 private:
  void On(VexPanelAcquisition* agent, VexDialogState* from, VexDialogState* to, VexNotification* notification,
          VexActionMethod action) {
    agent->AcceptOnEvent(notification, nullptr);
    AddTransition(from, to, IsLastModifiedAgentCondition(agent, notification), Action(action));
  }

  VexDlgDialog* _Confirm = nullptr;              // owned; disposed of by delayed destruction
  VexPanelAcquisition* _ConfirmAgent = nullptr;  // owned; disposed of by delayed destruction
};

VEX_EX_PLANTED_MODULE(VexExGreyedConfirmationCmd, VexExGreyedConfirmation)
