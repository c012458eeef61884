// Planted fault: the dialog is kept for the next run of the command instead of being destroyed, and
// ending the command does not hide it: once the command has ended, its dialog stays on the screen
// with nothing left to answer it.
#include "PlantedCommand.h"

class VexExDialogLeftShownCmd : public VexExPlantedCmd {
 public:
  VexExDialogLeftShownCmd() { _DisposeDialog = false; }

  void BuildGraph() override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("PlantedAgent", _Dialog);
          VexDialogState* state = GetInitialState("Waiting");
          if (_Agent == nullptr || state == nullptr) return;
          state->AddDialogAgent(_Agent);
          const auto done = static_cast<VexActionMethod>(&VexExDialogLeftShownCmd::DoneAction);
          for (VexNotification* ends : {_Dialog->GetDiaOKNotification(), _Dialog->GetDiaCANCELNotification(),
                                        _Dialog->GetWindCloseNotification()}) {
            _Agent->AcceptOnEvent(ends, nullptr);
            AddTransition(state, nullptr, IsLastModifiedAgentCondition(_Agent, ends), Action(done));
          }
        },
        VexExLeaveToHost);
  }

  // The fault: the dialog is neither hidden nor handed to delayed destruction.
  VexBoolean DoneAction(void*) { return 1; }
};

VEX_EX_PLANTED_MODULE(VexExDialogLeftShownCmd, VexExDialogLeftShown)
