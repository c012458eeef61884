// Planted fault: OK applies and keeps the dialog open, changing nothing a person can see. Each press
// is noted in a table of undo records that holds two; the third press writes through the empty slot
// after them.
#include "PlantedCommand.h"

class VexExThirdPressCmd : public VexExPlantedCmd {
 public:
  void BuildGraph() override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("PlantedAgent", _Dialog);
          VexDialogState* state = GetInitialState("Waiting");
          if (_Agent == nullptr || state == nullptr) return;
          state->AddDialogAgent(_Agent);
          const auto apply = static_cast<VexActionMethod>(&VexExThirdPressCmd::ApplyAction);
          const auto leave = static_cast<VexActionMethod>(&VexExThirdPressCmd::LeaveAction);
          On(state, state, _Dialog->GetDiaOKNotification(), apply);
          On(state, nullptr, _Dialog->GetDiaCANCELNotification(), leave);
          On(state, nullptr, _Dialog->GetWindCloseNotification(), leave);
        },
        VexExLeaveToHost);
  }

  VexBoolean ApplyAction(void*) {
    VexXHContext::Guard([&] { _Agent->InitializeAcquisition(); }, VexExLeaveToHost);
    UndoRecord* record = _Slots[_Presses < 2 ? _Presses : 2];
    ++_Presses;
    record->Applied = true;  // the fault: the third slot is empty
    return 1;
  }

 private:
  struct UndoRecord {
    bool Applied = false;
  };

  void On(VexDialogState* from, VexDialogState* to, VexNotification* notification, VexActionMethod action) {
    _Agent->AcceptOnEvent(notification, nullptr);
    AddTransition(from, to, IsLastModifiedAgentCondition(_Agent, notification), Action(action));
  }

  int _Presses = 0;
  UndoRecord _Records[2];
  UndoRecord* _Slots[3] = {&_Records[0], &_Records[1], nullptr};
};

VEX_EX_PLANTED_MODULE(VexExThirdPressCmd, VexExThirdPress)
