// `vexhost serve`: the module in the stand-in host, served as one page on the loopback address.
#pragma once

#include <string>

#include "ServerLimits.h"

namespace vexdrive {
struct Options;
}

namespace vexweb {

struct ServeOptions {
  std::string Address = "127.0.0.1";
  int Port = 8765;
  ServerLimits Limits;
};

// Serves until interrupted (SIGINT, SIGTERM, SIGHUP), then takes no more actions and ends within a
// second whatever the clients do. Returns the exit code; bad input is reported on standard error.
int RunServe(const vexdrive::Options& options, const ServeOptions& serve);

}  // namespace vexweb
