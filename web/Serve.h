// `vexhost serve`: the module in the stand-in host, served as one page on the loopback address.
#pragma once

#include <string>

#include "ServerLimits.h"

namespace CLI {
class App;
}

namespace vexdrive {
struct Options;
}

namespace vexweb {

struct ServeOptions {
  std::string Address = "127.0.0.1";
  int Port = 8765;
  ServerLimits Limits;
};

class ServeCommand {
 public:
  // Adds the `serve` subcommand to vexhost's command line; vexhost's own options (--document,
  // --module, --resources, --fail-alloc, --raise, --check) may stand before or after it.
  ServeCommand(CLI::App& app);
  bool Chosen() const;
  // Serves until interrupted (SIGINT, SIGTERM, SIGHUP), then takes no more actions and ends
  // within a second whatever the clients do. Returns the exit code.
  int Run(const vexdrive::Options& options) const;

 private:
  CLI::App* _Command = nullptr;
  ServeOptions _Serve;
};

}  // namespace vexweb
