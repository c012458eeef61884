// What loading the module did, checked: each registration unique, each registered command's
// factory exported under its name, no host calls at load but the dictionary entries and the
// thread-call switch, the switch given the module's own handle, the process left as it was (no
// output, thread, descriptor, ...), a clean end of the process with the module loaded, only the
// module's own entry points exported, and a clean unload and reload. The loading runs in child
// processes, so that a module that crashes or hangs at load, at unload or at exit is reported, not
// fatal: the validator's own process never loads the module.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "validator/case/Case.h"
#include "validator/case/Runner.h"

namespace vexvalidator {

struct LoadCheck {
  std::string Name;
  std::vector<Finding> Findings;
};

struct LoadReport {
  bool Loaded = false;
  bool Stopped = false;                 // the validation was asked to stop while its loading was checked
  std::string Error;                    // why the module could not be loaded
  std::vector<std::string> Registered;  // in the order of registration, repeats included
  std::vector<std::string> Events;
  std::vector<LoadCheck> Checks;
};

// `stop`, asked while the probes run, ends them early (the report is then Stopped).
LoadReport ProbeLoading(const std::string& module, const RunSetup& setup, std::chrono::milliseconds limit,
                        const std::function<bool()>& stop = {});

// Reads the module's dynamic symbols: nothing exported but the factories and the marker.
std::vector<LoadCheck> ExportChecks(const std::string& module, const std::vector<std::string>& commands);

// The registered commands, each once, in the order of registration.
std::vector<std::string> Commands(const LoadReport& report);

}  // namespace vexvalidator
