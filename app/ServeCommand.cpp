#include "ServeCommand.h"

#include <CLI/CLI.hpp>

#include <chrono>

namespace vexapp {

ServeCommand::ServeCommand(CLI::App& app) {
  _Command =
      app.add_subcommand("serve", "serve the session as a page on the loopback address, to work it in a browser");
  _Command->fallthrough();
  _Command->add_option("--port", _Serve.Port, "the port (0: any free port)")
      ->capture_default_str()
      ->check(CLI::Range(0, 65535));
  _Command->add_option("--address", _Serve.Address, "the address to listen on; another than loopback lets others in")
      ->capture_default_str();
  _Command
      ->add_option_function<double>(
          "--deadline",
          [this](double seconds) {
            _Serve.Limits.RequestDeadline = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
          },
          "the seconds a client has to send one whole request (default 10)")
      ->check(CLI::Range(0.05, 3600.0));
}

bool ServeCommand::Chosen() const { return _Command->parsed(); }

int ServeCommand::Run(const vexdrive::Options& options) const { return vexweb::RunServe(options, _Serve); }

}  // namespace vexapp
