// The dictionary of creatable classes and the module loader.
#include "Dictionary.h"

#include <dlfcn.h>

#include <stdexcept>

#include "vex/Dictionary.h"
#include "vexhost/Session.h"

using namespace vexhost::detail;

namespace vexhost::detail {

DictionaryState& TheDictionary() {
  // Lives as long as the process: modules may outlive sessions.
  static auto* dictionary = new DictionaryState();
  return *dictionary;
}

}  // namespace vexhost::detail

VexFillDictionary::VexFillDictionary(const char* className, VexCreateFunction factory) {
  DictionaryState& dictionary = TheDictionary();
  const std::string name = className != nullptr ? className : "";
  auto module = dictionary.Modules.find(dictionary.LoadingModule);
  vexhost::LoadRecord* record = module != dictionary.Modules.end() ? &module->second.Record : nullptr;
  if (record != nullptr) record->Events.push_back("VexFillDictionary " + name);
  // A name is registered once: a second entry would silently take the first one's place.
  if (dictionary.Entries.count(name) != 0) {
    const std::string violation = "VexFillDictionary: '" + name + "' is already registered; the first entry stays";
    dictionary.RegistrationViolations.push_back(violation);
    if (record != nullptr) record->Violations.push_back(violation);
    return;
  }
  dictionary.Entries[name] = factory;
  if (record != nullptr) record->Registered.push_back(name);
}

int DisableThreadLibraryCalls(VexModuleHandle handle) {
  DictionaryState& dictionary = TheDictionary();
  auto module = dictionary.Modules.find(dictionary.LoadingModule);
  if (module != dictionary.Modules.end()) {
    module->second.Record.Events.push_back("DisableThreadLibraryCalls");
    module->second.Record.ThreadCallsDisabledFor = handle;
  }
  return 1;
}

namespace vexhost {

// Sanitizer builds keep modules mapped: unloading one would make LeakSanitizer report false
// leaks and lose the symbols of its frames.
#ifdef VEXHOST_KEEP_MODULES_LOADED
constexpr int LoadFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
#else
constexpr int LoadFlags = RTLD_NOW | RTLD_LOCAL;
#endif

const LoadRecord& Session::LoadModule(const std::string& path) {
  DictionaryState& dictionary = TheDictionary();
  auto& module = dictionary.Modules[path];
  if (module.Loaded) return module.Record;
  const bool firstLoad = module.Record.Handle == nullptr;
  if (firstLoad || module.Record.Registered.empty()) {
    module.Record = LoadRecord();
    module.Record.Path = path;
  }
  dictionary.LoadingModule = path;
  void* handle = dlopen(path.c_str(), LoadFlags);
  dictionary.LoadingModule.clear();
  if (handle == nullptr) {
    const char* problem = dlerror();
    dictionary.Modules.erase(path);
    throw std::runtime_error("cannot load module " + path + ": " + (problem != nullptr ? problem : "unknown error"));
  }
  module.Record.Handle = handle;
  module.Loaded = true;
  return module.Record;
}

void Session::UnloadModule(const std::string& path) {
  DictionaryState& dictionary = TheDictionary();
  auto module = dictionary.Modules.find(path);
  if (module == dictionary.Modules.end() || !module->second.Loaded) return;
  dlclose(module->second.Record.Handle);
  module->second.Loaded = false;
#ifndef VEXHOST_KEEP_MODULES_LOADED
  // The module's code is gone: so are the dictionary entries it made.
  for (const auto& name : module->second.Record.Registered) dictionary.Entries.erase(name);
  dictionary.Modules.erase(module);
#endif
}

std::vector<std::string> Session::DictionaryNames() {
  std::vector<std::string> names;
  for (const auto& [name, factory] : TheDictionary().Entries) names.push_back(name);
  return names;
}

std::vector<std::string> Session::RegistrationViolations() { return TheDictionary().RegistrationViolations; }

}  // namespace vexhost
