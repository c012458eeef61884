// Planted fault: OK opens a socket to tell a licence server (and closes it).
#include <sys/socket.h>
#include <unistd.h>

#include "PlantedCommand.h"

class VexExOpensSocketCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd >= 0) ::close(fd);
  }
};

VEX_EX_PLANTED_MODULE(VexExOpensSocketCmd, VexExOpensSocket)
