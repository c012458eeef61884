// Planted fault: the dialog's title is set from a worker thread, joined before activation
// returns, so nothing is left running; the host is called off its user-interface thread.
#include <thread>

#include "PlantedCommand.h"

class VexExHostCallFromThreadCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    VexDlgDialog* dialog = _Dialog;
    std::thread titler([dialog] { VexXHContext::Guard([&] { dialog->SetTitle("Ready"); }, VexExLeaveToHost); });
    titler.join();
  }
};

VEX_EX_PLANTED_MODULE(VexExHostCallFromThreadCmd, VexExHostCallFromThread)
