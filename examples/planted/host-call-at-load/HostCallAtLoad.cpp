// Planted fault: a static object makes a note label and titles it while the module loads, when a
// module may only register its commands.
#include "PlantedCommand.h"

class VexExHostCallAtLoadCmd : public VexExPlantedCmd {};

VEX_EX_PLANTED_MODULE(VexExHostCallAtLoadCmd, VexExHostCallAtLoad)

namespace {
struct LoadNote {
  LoadNote() {
    VexDlgLabel* note = new VexDlgLabel(nullptr, "LoadNote", 0);
    if (note == nullptr) return;
    note->SetTitle("loaded");
    note->Release();
  }
} NoteAtLoad;
}  // namespace
