// Planted fault: OK renumbers the active product as it asks for the confirmation, instead of once it
// is confirmed. A person who cancels the confirmation, and then the panel, finds the document
// changed by a command nobody confirmed.
#include "ConfirmingCommand.h"

class VexExAppliesBeforeConfirmingCmd : public VexExConfirmingCmd {
 protected:
  void OnAsk() override { RenumberActiveProduct("Confirmed-1"); }  // the fault: not yet confirmed
};

VEX_EX_PLANTED_MODULE(VexExAppliesBeforeConfirmingCmd, VexExAppliesBeforeConfirming)
