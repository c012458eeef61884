// Planted faults, one behind the other. In front: the host's Cancel (when the document closes with
// the command running) throws a C++ exception across the boundary, so that every run that ends
// with the dialog open leaves its worker untrustworthy. Behind it: OK adds a note to the dialog and
// crashes when the host cannot allocate the note. Only a validation that explores and sweeps past
// the first fault finds the second.
#include <map>
#include <string>

#include "PlantedCommand.h"

class VexExFaultBehindAFaultCmd : public VexExPlantedCmd {
 public:
  VexStatusChangeRC Cancel(VexCommand*, VexNotification*) override {
    const std::map<std::string, int> reasons;
    return reasons.at("cancelled");  // the first fault: throws std::out_of_range into the host
  }

 protected:
  void OnOK() override {
    VexDlgLabel* note = new VexDlgLabel(_Dialog, "DoneNote", 0);  // a child: it dies with the dialog
    note->SetTitle("Created");                                    // the second fault: null when the allocation failed
  }
};

VEX_EX_PLANTED_MODULE(VexExFaultBehindAFaultCmd, VexExFaultBehindAFault)
