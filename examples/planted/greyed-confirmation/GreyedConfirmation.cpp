// Planted fault: OK asks for a confirmation in a second window and greys the panel meanwhile, but
// shows the confirmation greyed as well: both windows stay on the screen with nothing in them a
// person can use, and the command waits.
#include "ConfirmingCommand.h"

class VexExGreyedConfirmationCmd : public VexExConfirmingCmd {
 protected:
  unsigned int ConfirmationSensitivity() const override { return VexDlgInsensitive; }  // the fault
};

VEX_EX_PLANTED_MODULE(VexExGreyedConfirmationCmd, VexExGreyedConfirmation)
