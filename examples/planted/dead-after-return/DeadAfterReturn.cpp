// Planted fault: OK asks for a confirmation in a second window and greys the panel meanwhile. The
// confirmation's Cancel brings the panel back, sensitive, but forgets to make the panel's agent wait
// again: back on the panel, which looks as it did at the start, OK, Cancel and the close box do
// nothing.
#include "ConfirmingCommand.h"

class VexExDeadAfterReturnCmd : public VexExConfirmingCmd {
 protected:
  bool WakesThePanelOnReturn() const override { return false; }  // the fault
};

VEX_EX_PLANTED_MODULE(VexExDeadAfterReturnCmd, VexExDeadAfterReturn)
