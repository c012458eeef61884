// The command a planted example with a confirmation starts from: correct as it stands. OK asks for
// a confirmation in a second window and greys the panel meanwhile; the confirmation's OK ends the
// command, its Cancel and close box bring the panel back. An example breaks one step of it through
// the two hooks.
#pragma once

#include "PlantedCommand.h"

class VexExConfirmingCmd : public VexExPlantedCmd {
 public:
  VexExConfirmingCmd() {
    VexXHContext::Guard([&] { _Confirm = new VexDlgDialog(MainWindow(), "PlantedConfirm", 0); }, VexExLeaveToHost);
  }
  ~VexExConfirmingCmd() override {
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
          const auto ask = static_cast<VexActionMethod>(&VexExConfirmingCmd::AskAction);
          const auto leave = static_cast<VexActionMethod>(&VexExConfirmingCmd::LeaveBothAction);
          const auto back = static_cast<VexActionMethod>(&VexExConfirmingCmd::BackAction);
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
          _Confirm->SetSensitivity(ConfirmationSensitivity());
          _Confirm->SetVisibility(VexDlgShow);
          OnAsk();
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
          if (WakesThePanelOnReturn()) _Agent->InitializeAcquisition();
        },
        VexExLeaveToHost);
    return 1;
  }

  VexBoolean LeaveBothAction(void*) {
    VexXHContext::Guard([&] { _Confirm->SetVisibility(VexDlgHide); }, VexExLeaveToHost);
    return LeaveAction(nullptr);
  }

 protected:
  // What an example does as the confirmation opens, inside an error scope.
  virtual void OnAsk() {}
  // How the confirmation shows, and whether the panel's agent waits again when it is left.
  virtual unsigned int ConfirmationSensitivity() const { return VexDlgSensitive; }
  virtual bool WakesThePanelOnReturn() const { return true; }

 private:
  void On(VexPanelAcquisition* agent, VexDialogState* from, VexDialogState* to, VexNotification* notification,
          VexActionMethod action) {
    agent->AcceptOnEvent(notification, nullptr);
    AddTransition(from, to, IsLastModifiedAgentCondition(agent, notification), Action(action));
  }

  VexDlgDialog* _Confirm = nullptr;              // owned; disposed of by delayed destruction
  VexPanelAcquisition* _ConfirmAgent = nullptr;  // owned; disposed of by delayed destruction
};
