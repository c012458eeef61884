#include "Serve.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "LiveSession.h"
#include "PageServer.h"
#include "drive/Errors.h"
#include "drive/Options.h"
#include "drive/Startup.h"

namespace vexweb {

namespace {

// The options of a scripted run that mean nothing to a served one.
std::string UnusedOption(const vexdrive::Options& options) {
  if (!options.Script.empty()) return "--script";
  if (options.Interactive) return "--interactive";
  if (!options.Svg.empty()) return "--svg";
  if (!options.Journal.empty()) return "--journal";
  if (options.PrintDocument) return "--print-document";
  return {};
}

// The signals that end the server, blocked in every thread so that one thread waits for them.
sigset_t EndingSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

int Serve(const vexdrive::Options& options, const ServeOptions& serve) {
  if (const std::string unused = UnusedOption(options); !unused.empty()) {
    throw vexdrive::BadInput("serve: " + unused + " does not go with serve (the page records its own script)");
  }
  vexhost::DocumentData document = vexdrive::LoadDocument(options);
  if (!std::filesystem::is_directory(options.Resources)) {
    throw vexdrive::BadInput("--resources " + options.Resources + ": no such directory");
  }
  vexdrive::LoadModule(options.Module);
  // Blocked before any thread starts, so that the server's threads inherit it.
  const sigset_t signals = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  // A client that goes away while its answer is written ends that write, not the server.
  std::signal(SIGPIPE, SIG_IGN);

  LiveSession live(std::move(document), options);
  PageServer server(live, serve.Address, serve.Limits);
  try {
    server.Bind(serve.Port);
  } catch (const std::runtime_error& error) {
    throw vexdrive::BadInput(std::string("serve: ") + error.what());
  }
  if (!IsLoopback(serve.Address)) {
    std::cout << "serve: warning: " << serve.Address << " is not a loopback address; others may reach this page\n";
  }
  server.Start();
  std::cout << "serving " << server.Url() << " (open it in a browser; Ctrl-C ends)" << std::endl;
  int signal = 0;
  sigwait(&signals, &signal);
  if (!server.Stop()) {
    // The session is still in an action's hands: neither ended nor accounted for.
    std::cout << "serve: stopped" << std::endl;
    std::cerr << "vexhost: serve: an action did not end within " << serve.Limits.StopWait.count()
              << " ms of the stop; the session is left unaccounted\n";
    std::_Exit(vexdrive::ExitFailedCheck);
  }
  std::cout << "serve: stopped" << std::endl;

  const vexhost::AccountingReport report = live.End();
  if (!options.Check) return vexdrive::ExitSuccess;
  std::cout << report.Text();
  if (!report.Clean()) std::cerr << "vexhost: --check: host objects are left alive or were released too often\n";
  return report.Clean() ? vexdrive::ExitSuccess : vexdrive::ExitFailedCheck;
}

}  // namespace

int RunServe(const vexdrive::Options& options, const ServeOptions& serve) {
  try {
    return Serve(options, serve);
  } catch (const vexdrive::BadInput& error) {
    std::cout.flush();
    std::cerr << "vexhost: " << error.what() << std::endl;
    return vexdrive::ExitBadInput;
  }
}

}  // namespace vexweb
