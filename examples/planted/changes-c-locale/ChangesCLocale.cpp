// Planted fault: activation switches the C locale's character handling to UTF-8 for its texts and leaves it so.
#include <clocale>

#include "PlantedCommand.h"

class VexExChangesCLocaleCmd : public VexExPlantedCmd {
 protected:
  void OnActivate() override { std::setlocale(LC_CTYPE, "C.UTF-8"); }
};

VEX_EX_PLANTED_MODULE(VexExChangesCLocaleCmd, VexExChangesCLocale)
