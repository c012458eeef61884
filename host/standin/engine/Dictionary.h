// The dictionary of creatable classes and the modules that filled it: they belong to the process
// and outlive sessions. The engine's own.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "vex/Dictionary.h"
#include "vexhost/Session.h"

namespace vexhost::detail {

struct ModuleState {
  LoadRecord Record;
  bool Loaded = false;
};

struct DictionaryState {
  std::map<std::string, VexCreateFunction> Entries;
  std::map<std::string, ModuleState> Modules;
  std::vector<std::string> RegistrationViolations;
  std::string LoadingModule;    // the module being loaded, while the system loads it
  std::string CreatingCommand;  // the dictionary name of the command the host is creating
};

DictionaryState& TheDictionary();

}  // namespace vexhost::detail
