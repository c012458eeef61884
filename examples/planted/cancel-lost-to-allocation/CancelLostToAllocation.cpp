// Planted fault: Cancel has an agent of its own, made as the command builds its graph. When the
// host cannot allocate it, the command goes on without a way to hear Cancel, its dialog shown: a
// press of Cancel then does nothing while the command waits, and only the close box lets a person
// out. Without faults every button answers.
#include "PlantedCommand.h"

class VexExCancelLostToAllocationCmd : public VexExPlantedCmd {
 public:
  ~VexExCancelLostToAllocationCmd() override { Dispose(_CancelAgent); }

 protected:
  void AddWaysOut(VexDialogState* state) override {
    AcceptLeaving(state, _Dialog->GetWindCloseNotification());
    _CancelAgent = new VexDialogAgent("PlantedCancelAgent", 0, 3);
    if (_CancelAgent == nullptr) return;  // the fault: the dialog still shows its Cancel, which nobody hears
    VexNotification* cancel = _Dialog->GetDiaCANCELNotification();
    _CancelAgent->AcceptOnNotify(_Dialog, cancel);
    state->AddDialogAgent(_CancelAgent);
    const auto leave = static_cast<VexActionMethod>(&VexExCancelLostToAllocationCmd::LeaveAction);
    AddTransition(state, nullptr, IsLastModifiedAgentCondition(_CancelAgent, cancel), Action(leave));
  }

 private:
  VexDialogAgent* _CancelAgent = nullptr;  // owned; disposed of by delayed destruction
};

VEX_EX_PLANTED_MODULE(VexExCancelLostToAllocationCmd, VexExCancelLostToAllocation)
