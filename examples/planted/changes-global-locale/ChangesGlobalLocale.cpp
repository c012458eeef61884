// Planted fault: OK sets the global C++ locale, for the numbers it formats, and leaves it so.
#include <locale>

#include "PlantedCommand.h"

class VexExChangesGlobalLocaleCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { std::locale::global(std::locale("C.UTF-8")); }
};

VEX_EX_PLANTED_MODULE(VexExChangesGlobalLocaleCmd, VexExChangesGlobalLocale)
