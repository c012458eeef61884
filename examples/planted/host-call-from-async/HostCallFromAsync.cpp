// Planted fault: OK retitles the dialog through std::async and waits for it; the task runs on a
// thread of its own, off the host's user-interface thread.
#include <future>

#include "PlantedCommand.h"

class VexExHostCallFromAsyncCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    VexDlgDialog* dialog = _Dialog;
    std::async(std::launch::async, [dialog] {
      VexXHContext::Guard([&] { dialog->SetTitle("Closing"); }, VexExLeaveToHost);
    }).get();
  }
};

VEX_EX_PLANTED_MODULE(VexExHostCallFromAsyncCmd, VexExHostCallFromAsync)
