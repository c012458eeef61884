// Planted fault: OK keeps a note of what it made in a file beside the document, which the host never asked for.
#include <fstream>

#include "PlantedCommand.h"

class VexExWritesFileCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override { std::ofstream("planted-notes.txt", std::ios::app) << "made\n"; }
};

VEX_EX_PLANTED_MODULE(VexExWritesFileCmd, VexExWritesFile)
