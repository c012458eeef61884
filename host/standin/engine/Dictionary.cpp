// The dictionary of creatable classes and the module loader.
#include "Dictionary.h"

#include <stdexcept>
#include <thread>

#include "Libraries.h"

#include "gate/Gate.h"
#include "session/SessionState.h"
#include "vex/Dictionary.h"
#include "vexhost/Journal.h"
#include "vexhost/Session.h"

using namespace vexhost::detail;

namespace {

// The load record of the module being loaded, or null.
vexhost::LoadRecord* LoadingRecord() {
  DictionaryState& dictionary = TheDictionary();
  auto module = dictionary.Modules.find(dictionary.LoadingModule);
  return module != dictionary.Modules.end() ? &module->second.Record : nullptr;
}

// A misuse in the module's load record and in the open session's accounting.
void LoadMisuse(vexhost::LoadRecord* record, const std::string& op, const std::string& what) {
  RecordMisuse(op, nullptr, what);
  if (record != nullptr) record->Misuses.push_back(op + " (" + std::string(vexhost::ModuleToHost) + "): " + what);
}

}  // namespace

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
  vexhost::LoadRecord* record = LoadingRecord();
  if (record != nullptr) {
    record->Events.push_back("DisableThreadLibraryCalls");
    record->ThreadCallsDisabledFor = handle;
  }
  // As the system does, a null handle is refused: nothing is switched off.
  if (handle == nullptr) {
    LoadMisuse(record, "DisableThreadLibraryCalls", "given a null module handle; nothing was switched off");
    return 0;
  }
  // The module calls the host's function, so that the host sees the call and its handle on every
  // platform; where the system has the switch (Windows), the call goes on to it.
  return SystemDisableThreadLibraryCalls(handle);
}

namespace vexhost {

namespace {

// What can be checked of a load once the system has returned the handle: the thread-call switch was
// given it, and each command registered at this load has its factory exported under the name the
// host looks for (fctCreate followed by the command's name).
void CheckLoad(LoadRecord& record, std::size_t registeredBefore) {
  if (record.ThreadCallsDisabledFor != nullptr && record.ThreadCallsDisabledFor != record.Handle) {
    LoadMisuse(&record, "DisableThreadLibraryCalls", "given a handle that is not the module's own");
  }
  const auto& entries = TheDictionary().Entries;
  for (std::size_t i = registeredBefore; i < record.Registered.size(); ++i) {
    const std::string& name = record.Registered[i];
    const std::string factory = "fctCreate" + name;
    void* exported = FindExport(record.Handle, factory);
    if (exported == nullptr) {
      LoadMisuse(&record, "VexFillDictionary",
                 "'" + name + "' is registered, but its factory " + factory + " is not exported");
    } else if (auto entry = entries.find(name);
               entry != entries.end() && reinterpret_cast<void*>(entry->second) != exported) {
      LoadMisuse(&record, "VexFillDictionary",
                 "'" + name + "' is registered with another factory than its exported " + factory);
    }
  }
}

}  // namespace

const LoadRecord& Session::LoadModule(const std::string& path) {
  DictionaryState& dictionary = TheDictionary();
  auto& module = dictionary.Modules[path];
  if (module.Loaded) return module.Record;
  const bool firstLoad = module.Record.Handle == nullptr;
  if (firstLoad || module.Record.Registered.empty()) {
    module.Record = LoadRecord();
    module.Record.Path = path;
  }
  const std::size_t registeredBefore = module.Record.Registered.size();
  // The thread that loads a module is the host's user-interface thread, as is the one that opens
  // a session.
  if (detail::OpenSession() == nullptr) detail::ProcessSessions().InterfaceThread = std::this_thread::get_id();
  dictionary.LoadingModule = path;
  LoadWatch& watch = ModuleLoadWatch();
  watch.Calls.clear();
  ++watch.Depth;
  std::string problem;
  void* handle = OpenLibrary(path, problem);
  --watch.Depth;
  dictionary.LoadingModule.clear();
  if (handle == nullptr) {
    dictionary.Modules.erase(path);
    throw std::runtime_error("cannot load module " + path + ": " + problem);
  }
  module.Record.Handle = handle;
  module.Loaded = true;
  module.Record.Misuses.insert(module.Record.Misuses.end(), watch.Calls.begin(), watch.Calls.end());
  CheckLoad(module.Record, registeredBefore);
  return module.Record;
}

void Session::UnloadModule(const std::string& path) {
  DictionaryState& dictionary = TheDictionary();
  auto module = dictionary.Modules.find(path);
  if (module == dictionary.Modules.end() || !module->second.Loaded) return;
  CloseLibrary(module->second.Record.Handle);
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
