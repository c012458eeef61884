// The `serve` subcommand of vexhost: its options on the command line, and the page server run.
#pragma once

#include "web/Serve.h"

namespace CLI {
class App;
}

namespace vexdrive {
struct Options;
}

namespace vexapp {

class ServeCommand {
 public:
  // Adds the `serve` subcommand to vexhost's command line; vexhost's own options (--document,
  // --module, --resources, --fail-alloc, --raise, --check) may stand before or after it.
  explicit ServeCommand(CLI::App& app);
  bool Chosen() const;
  // Serves until interrupted; returns the exit code.
  int Run(const vexdrive::Options& options) const;

 private:
  CLI::App* _Command = nullptr;
  vexweb::ServeOptions _Serve;
};

}  // namespace vexapp
