// Planted fault: the close box is wired after the dialog's title is set, in an error scope of its
// own. When setting the title raises a VexError, the scope is left before the close box's
// transition is added and the error is let go: the dialog is shown with a close box nobody hears,
// while Cancel still ends the command. Without faults every button answers.
#include "PlantedCommand.h"

class VexExCloseBoxLostToErrorCmd : public VexExPlantedCmd {
 protected:
  void AddWaysOut(VexDialogState* state) override {
    AcceptLeaving(state, _Dialog->GetDiaCANCELNotification());
    VexXHContext::Guard(
        [&] {
          _Dialog->SetTitle("Planted");  // the fault: when this raises, the close box below is never wired
          AcceptLeaving(state, _Dialog->GetWindCloseNotification());
        },
        VexExLeaveToHost);
  }
};

VEX_EX_PLANTED_MODULE(VexExCloseBoxLostToErrorCmd, VexExCloseBoxLostToError)
