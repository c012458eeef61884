// What loading the module did, checked: each registration unique, no host calls at load but the
// dictionary entries and the thread-call switch, the switch given the module's own handle, only
// the module's own entry points exported, and a clean unload and reload. The loading runs in a
// child process, so that a module that crashes or hangs at load is reported, not fatal.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "Case.h"
#include "Runner.h"

namespace vexvalidator {

struct LoadCheck {
  std::string Name;
  std::vector<Finding> Findings;
};

struct LoadReport {
  bool Loaded = false;
  std::string Error;  // why the module could not be loaded
  std::vector<std::string> Registered;  // in the order of registration, repeats included
  std::vector<std::string> Events;
  std::vector<LoadCheck> Checks;
};

LoadReport ProbeLoading(const std::string& module, const RunSetup& setup, std::chrono::milliseconds limit);

// Reads the module's dynamic symbols: nothing exported but the factories and the marker.
std::vector<LoadCheck> ExportChecks(const std::string& module, const std::vector<std::string>& commands);

// The registered commands, each once, in the order of registration.
std::vector<std::string> Commands(const LoadReport& report);

}  // namespace vexvalidator
