// The dictionary of creatable classes and the module loader.
#include <dlfcn.h>

#include <stdexcept>

#include "vex/Dictionary.h"
#include "HostState.h"

using namespace vexhost::detail;

VexFillDictionary::VexFillDictionary(const char* className, VexCreateFunction factory) {
  HostState& host = Host();
  const std::string name = className != nullptr ? className : "";
  host.Dictionary[name] = factory;
  auto module = host.Modules.find(host.LoadingModule);
  if (module != host.Modules.end()) {
    module->second.Record.Events.push_back("VexFillDictionary " + name);
    module->second.Record.Registered.push_back(name);
  }
}

int DisableThreadLibraryCalls(VexModuleHandle handle) {
  HostState& host = Host();
  auto module = host.Modules.find(host.LoadingModule);
  if (module != host.Modules.end()) {
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
  HostState& host = Host();
  auto& module = host.Modules[path];
  if (module.Loaded) return module.Record;
  const bool firstLoad = module.Record.Handle == nullptr;
  if (firstLoad || module.Record.Registered.empty()) {
    module.Record = LoadRecord();
    module.Record.Path = path;
  }
  host.LoadingModule = path;
  void* handle = dlopen(path.c_str(), LoadFlags);
  host.LoadingModule.clear();
  if (handle == nullptr) {
    const char* problem = dlerror();
    host.Modules.erase(path);
    throw std::runtime_error("cannot load module " + path + ": " + (problem != nullptr ? problem : "unknown error"));
  }
  module.Record.Handle = handle;
  module.Loaded = true;
  return module.Record;
}

void Session::UnloadModule(const std::string& path) {
  HostState& host = Host();
  auto module = host.Modules.find(path);
  if (module == host.Modules.end() || !module->second.Loaded) return;
  dlclose(module->second.Record.Handle);
  module->second.Loaded = false;
#ifndef VEXHOST_KEEP_MODULES_LOADED
  // The module's code is gone: so are its dictionary entries.
  for (const auto& name : module->second.Record.Registered) host.Dictionary.erase(name);
  host.Modules.erase(module);
#endif
}

std::vector<std::string> Session::DictionaryNames() {
  std::vector<std::string> names;
  for (const auto& [name, factory] : Host().Dictionary) names.push_back(name);
  return names;
}

}  // namespace vexhost
