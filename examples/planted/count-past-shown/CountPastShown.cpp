// Planted fault: the dialog asks for a number of copies in a narrow editor that shows "12". OK
// reads it back, and a number of three digits or more is taken as a batch whose note label is made
// in the main window and never disposed of. Only a text of digits alone, longer than the one
// shown, reaches it.
#include <algorithm>
#include <string>

#include "PlantedCommand.h"

namespace {
constexpr int WholeText = -1;  // GetLine and SetLine on the whole text
}

class VexExCountPastShownCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override {
    if (_Copies != nullptr) return;
    _Copies = new VexDlgEditor(_Dialog, "Copies", 0);  // dies with the dialog
    if (_Copies == nullptr) return;
    _Copies->SetVisibleTextWidth(4);
    _Copies->SetMaxCharacterWidth(8);
    _Copies->SetLine(VexUnicodeString("12"), WholeText);
  }

  void OnOK() override {
    if (_Copies == nullptr) return;
    VexUnicodeString text;
    _Copies->GetLine(text, WholeText);
    const std::string copies = text.CastToCharPtr();
    const bool digits =
        !copies.empty() && std::all_of(copies.begin(), copies.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits && copies.size() > 2) new VexDlgLabel(MainWindow(), "BatchNote", 0);
  }

 private:
  VexDlgEditor* _Copies = nullptr;
};

VEX_EX_PLANTED_MODULE(VexExCountPastShownCmd, VexExCountPastShown)
