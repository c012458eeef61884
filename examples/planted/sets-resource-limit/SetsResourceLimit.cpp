// Planted fault: OK sets the limit of open files for the process (to what it was, but the call is the process's).
#include <sys/resource.h>

#include "PlantedCommand.h"

class VexExSetsResourceLimitCmd : public VexExPlantedCmd {
 protected:
  void OnOK() override {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) ::setrlimit(RLIMIT_NOFILE, &limit);
  }
};

VEX_EX_PLANTED_MODULE(VexExSetsResourceLimitCmd, VexExSetsResourceLimit)
