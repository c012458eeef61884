// Planted fault: the dialog shows a hint the command makes as it activates, and Cancel writes into
// it without asking whether the host could make it. When that allocation fails, the dialog is
// shown all the same, and a person's Cancel crashes the host. Without faults every button works.
#include "PlantedCommand.h"

class VexExCrashesOnCancelAfterFaultCmd : public VexExPlantedCmd {
 public:
  VexBoolean CancelAction(void* data) {
    VexXHContext::Guard([&] { _Hint->SetTitle("Cancelled"); }, VexExLeaveToHost);  // the fault: _Hint may be null
    return LeaveAction(data);
  }

 protected:
  void OnActivate() override { _Hint = new VexDlgLabel(_Dialog, "PlantedHint", 0); }

  void AddWaysOut(VexDialogState* state) override {
    Accept(state, _Dialog->GetDiaCANCELNotification(),
           static_cast<VexActionMethod>(&VexExCrashesOnCancelAfterFaultCmd::CancelAction));
    AcceptLeaving(state, _Dialog->GetWindCloseNotification());
  }

 private:
  VexDlgLabel* _Hint = nullptr;  // a child of the dialog, destroyed with it
};

VEX_EX_PLANTED_MODULE(VexExCrashesOnCancelAfterFaultCmd, VexExCrashesOnCancelAfterFault)
