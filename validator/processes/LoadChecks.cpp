#include "LoadChecks.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "Exports.h"
#include "Isolated.h"
#include "OutputCapture.h"
#include "Processes.h"
#include "WorkerProcess.h"
#include "drive/ProcessHygiene.h"
#include "drive/SystemWatch.h"
#include "vexhost/Session.h"

namespace vexvalidator {

using nlohmann::json;

namespace {

// The stages of the probes, noted in their slot so that a crash can be placed.
enum Stage { Loading, Unloading, Reloading, RunningAfterReload, Exiting };
const char* StageText(int stage) {
  switch (stage) {
    case Loading:
      return "while the module was loaded";
    case Unloading:
      return "while the module was unloaded";
    case Reloading:
      return "while the module was loaded again";
    case RunningAfterReload:
      return "while its commands ran after it was loaded again";
    case Exiting:
      return "as the process ended with the module loaded (its static objects destroyed)";
    default:
      return "before the module was loaded";
  }
}

json FindingsJson(const std::vector<Finding>& findings) {
  json out = json::array();
  for (const auto& finding : findings) out.push_back({finding.Kind, finding.Message});
  return out;
}

// The host keeps the first entry under a name and records each further one.
std::vector<Finding> RegistrationFindings(const vexhost::LoadRecord& record) {
  std::vector<Finding> findings;
  for (const auto& violation : record.Violations) findings.push_back({kind::DuplicateRegistration, violation});
  return findings;
}

// What the host recorded of the registered factories: one it cannot find by its exported name.
std::vector<Finding> FactoryFindings(const vexhost::LoadRecord& record) {
  std::vector<Finding> findings;
  for (const auto& misuse : record.Misuses) {
    if (misuse.rfind("VexFillDictionary", 0) == 0) findings.push_back({kind::HostMisuse, misuse});
  }
  return findings;
}

std::vector<Finding> ThreadCallFindings(const vexhost::LoadRecord& record) {
  bool switched = false;
  for (const auto& event : record.Events) switched = switched || event == "DisableThreadLibraryCalls";
  if (switched && record.ThreadCallsDisabledFor == nullptr) {
    return {{kind::WrongModuleHandle, "switches off thread calls for a null handle"}};
  }
  if (record.ThreadCallsDisabledFor != nullptr && record.ThreadCallsDisabledFor != record.Handle) {
    return {{kind::WrongModuleHandle, "switches off thread calls for a handle that is not its own"}};
  }
  return {};
}

std::vector<Finding> CallsAt(const char* when, const char* kind, const vexhost::Journal& journal) {
  std::vector<Finding> findings;
  for (const auto& entry : journal.Entries()) {
    findings.push_back({kind, std::string("calls the host ") + when + ": " + entry.Text()});
  }
  return findings;
}

// What the module did in one of its stages outside a case (`when`: "at load"): the calls the watch
// saw, output written, and, when a baseline is given, what it changed of the process.
std::vector<Finding> StageFindings(const char* when, vexdrive::SystemWatch* watch, OutputCapture& output,
                                   const vexdrive::ProcessBaseline* baseline = nullptr) {
  std::vector<std::string> seen = watch != nullptr ? watch->Take() : std::vector<std::string>();
  const std::vector<std::string> changes = baseline != nullptr ? baseline->Changes() : std::vector<std::string>();
  if (baseline != nullptr) seen = vexdrive::LeftInPlace(seen, changes);
  std::vector<Finding> findings = ReachFindings(seen);
  for (auto& written : output.Take()) findings.push_back(std::move(written));
  for (auto& change : vexdrive::NotSeenByWatch(changes, seen)) {
    findings.push_back({kind::ProcessHygiene, std::move(change)});
  }
  for (auto& finding : findings) finding.Message = std::string(when) + ": " + finding.Message;
  return findings;
}

// What the probe of loading sees of the module as the process ends: set up before the module is
// loaded, so that its handler runs after the module's static objects are destroyed.
struct ExitWatch {
  vexdrive::SystemWatch* Watch = nullptr;
  OutputCapture* Output = nullptr;
};
ExitWatch TheExitWatch;

// Tells the parent what the module did at exit: one more line on the probe's channel.
void ReportAtExit() {
  if (TheExitWatch.Watch != nullptr) TheExitWatch.Watch->Close();
  if (TheExitWatch.Output == nullptr || ChannelToParent() < 0) return;
  const json findings = FindingsJson(StageFindings("at exit", TheExitWatch.Watch, *TheExitWatch.Output));
  WriteAll(ChannelToParent(), findings.dump(-1, ' ', false, json::error_handler_t::replace) + "\n");
}

// Runs in a child: load the module with a session open, look at what loading did, and end the
// process as a process ends, with the module loaded.
json LoadProbe(const std::string& module, const RunSetup& setup, Slot& slot) {
  BecomeModuleProcess();
  vexdrive::SystemWatch* watch = setup.WatchCalls ? vexdrive::SystemWatch::OfProcess() : nullptr;
  // Kept to the end of the process: the handler at exit reads it.
  auto* output = new OutputCapture();
  TheExitWatch = {watch, output};
  std::atexit(ReportAtExit);
  const vexdrive::ProcessBaseline baseline;
  json out;
  vexhost::LoadRecord record;
  std::vector<Finding> atLoad;
  slot.BeginLine(Loading);
  {
    vexhost::Session session(vexhost::SessionOptions{setup.ResourceDirs});
    const int infrastructure = vexhost::Session::LiveObjects();
    try {
      const vexdrive::OpenWatch watching(watch);
      record = vexhost::Session::LoadModule(module);
    } catch (const std::runtime_error& error) {
      return {{"loaded", false}, {"error", error.what()}};
    }
    atLoad = CallsAt("at load", kind::HostCallAtLoad, session.GetJournal());
    if (const int made = vexhost::Session::LiveObjects() - infrastructure; made > 0) {
      atLoad.push_back({kind::HostCallAtLoad, std::to_string(made) + " host object(s) made at load are alive"});
    }
  }
  out["loaded"] = true;
  out["registered"] = record.Registered;
  out["events"] = record.Events;
  json checks = json::array();
  checks.push_back({"registrations unique", FindingsJson(RegistrationFindings(record))});
  checks.push_back({"factories exported under their commands' names", FindingsJson(FactoryFindings(record))});
  checks.push_back({"no host calls at load", FindingsJson(atLoad)});
  checks.push_back({"thread-call switch for its own handle", FindingsJson(ThreadCallFindings(record))});
  checks.push_back(
      {"process left as it was at load", FindingsJson(StageFindings("at load", watch, *output, &baseline))});
  out["checks"] = std::move(checks);
  slot.BeginLine(Exiting);
  // From here on what runs is the process's end: the module's static objects destroyed.
  if (watch != nullptr) watch->Open();
  return out;
}

// Runs in a child: load, unload, load again, run each command once.
json UnloadProbe(const std::string& module, const RunSetup& setup, Slot& slot) {
  BecomeModuleProcess();
  vexdrive::SystemWatch* watch = setup.WatchCalls ? vexdrive::SystemWatch::OfProcess() : nullptr;
  OutputCapture output;
  json out;
  vexhost::LoadRecord record;
  slot.BeginLine(Loading);
  {
    vexhost::Session session(vexhost::SessionOptions{setup.ResourceDirs});
    record = vexhost::Session::LoadModule(module);
  }
  json checks = json::array();
  slot.BeginLine(Unloading);
  std::vector<Finding> unload;
  {
    vexhost::Session session(vexhost::SessionOptions{setup.ResourceDirs});
    output.Take();  // what loading wrote is the probe of loading's
    if (watch != nullptr) watch->Take();
    {
      const vexdrive::OpenWatch watching(watch);
      vexhost::Session::UnloadModule(module);
    }
    unload = CallsAt("at unload", kind::HostCallAtUnload, session.GetJournal());
    for (auto& finding : StageFindings("at unload", watch, output)) unload.push_back(std::move(finding));
  }
  if (const int left = vexhost::Session::LiveObjects(); left > 0) {
    unload.push_back({kind::UncleanUnload, std::to_string(left) + " host object(s) outlive the module's unloading"});
  }
  checks.push_back({"clean unload", FindingsJson(unload)});

  slot.BeginLine(Reloading);
  std::vector<Finding> reload;
  {
    vexhost::Session session(vexhost::SessionOptions{setup.ResourceDirs});
    session.OpenDocument(setup.Document);
    const vexhost::LoadRecord again = vexhost::Session::LoadModule(module);
    if (again.Registered != record.Registered) {
      reload.push_back({kind::UncleanReload, "registers other names when loaded again"});
    }
    slot.BeginLine(RunningAfterReload);
    // Loaded again, each command still starts (what it leaves is the lifecycles' to judge).
    std::set<std::string> commands(again.Registered.begin(), again.Registered.end());
    for (const auto& command : commands) {
      session.StartCommand(command);
      session.CancelRunningCommand();
    }
  }
  checks.push_back({"clean reload", FindingsJson(reload)});
  out["checks"] = std::move(checks);
  return out;
}

std::vector<LoadCheck> ChecksOf(const json& value) {
  std::vector<LoadCheck> checks;
  for (const auto& check : value.at("checks")) {
    LoadCheck loaded{check.at(0), {}};
    for (const auto& finding : check.at(1)) loaded.Findings.push_back({finding.at(0), finding.at(1)});
    checks.push_back(std::move(loaded));
  }
  return checks;
}

// A probe that died: the one finding of its check, placed at the stage it had reached.
LoadCheck DeathCheck(const char* name, const Isolated& probe) {
  const bool hung = probe.Death.rfind("no answer", 0) == 0;
  return {name, {{hung ? kind::Hang : kind::Crash, probe.Death + " " + StageText(probe.Stage)}}};
}

// What a static object does as it is destroyed shows at unload and again at exit: one fault, told
// once, at unload.
void DropSeenAtUnload(std::vector<LoadCheck>& checks) {
  std::set<std::string> atUnload;
  constexpr std::string_view unloadPrefix = "at unload: ";
  constexpr std::string_view exitPrefix = "at exit: ";
  for (const auto& check : checks) {
    for (const auto& finding : check.Findings) {
      if (finding.Message.rfind(unloadPrefix, 0) == 0) atUnload.insert(finding.Message.substr(unloadPrefix.size()));
    }
  }
  for (auto& check : checks) {
    std::erase_if(check.Findings, [&](const Finding& finding) {
      return finding.Message.rfind(exitPrefix, 0) == 0 &&
             atUnload.count(finding.Message.substr(exitPrefix.size())) != 0;
    });
  }
}

}  // namespace

LoadReport ProbeLoading(const std::string& module, const RunSetup& setup, std::chrono::milliseconds limit,
                        const std::function<bool()>& stop) {
  LoadReport report;
  const Isolated load =
      RunIsolated([&](Slot& slot) { return LoadProbe(module, setup, slot); }, limit, Ending::Normal, stop);
  report.Stopped = load.Stopped;
  if (report.Stopped) return report;
  if (!load.Value) {
    // The module could not even be looked at: what it did is the one finding.
    report.Checks.push_back(DeathCheck("loading", load));
    return report;
  }
  const json& value = *load.Value;
  report.Loaded = value.at("loaded");
  if (!report.Loaded) {
    report.Error = value.at("error");
    return report;
  }
  report.Registered = value.at("registered").get<std::vector<std::string>>();
  report.Events = value.at("events").get<std::vector<std::string>>();
  report.Checks = ChecksOf(value);
  report.Checks.push_back(load.Death.empty() ? LoadCheck{"clean exit", {}} : DeathCheck("clean exit", load));
  if (load.AtExit) {
    LoadCheck atExit{"nothing of its own reaches outside at exit", {}};
    for (const auto& finding : *load.AtExit) atExit.Findings.push_back({finding.at(0), finding.at(1)});
    report.Checks.push_back(std::move(atExit));
  }
  const Isolated unload =
      RunIsolated([&](Slot& slot) { return UnloadProbe(module, setup, slot); }, limit, Ending::Quick, stop);
  report.Stopped = unload.Stopped;
  if (report.Stopped) return report;
  if (!unload.Value) {
    report.Checks.push_back(DeathCheck("clean unload and reload", unload));
    return report;
  }
  for (auto& check : ChecksOf(*unload.Value)) report.Checks.push_back(std::move(check));
  DropSeenAtUnload(report.Checks);
  return report;
}

std::vector<LoadCheck> ExportChecks(const std::string& module, const std::vector<std::string>& commands) {
  LoadCheck only{"only its entry points exported", {}};
  LoadCheck marker{"module marker exported", {}};
  std::vector<std::string> exported;
  try {
    exported = ExportedSymbols(module);
  } catch (const std::runtime_error& error) {
    only.Findings.push_back({kind::ForeignExport, error.what()});
    return {only};
  }
  const std::string markerName = MarkerName(module);
  std::set<std::string> allowed{markerName};
  for (const auto& command : commands) allowed.insert(FactoryName(command));
  std::vector<std::string> foreign;
  for (const auto& symbol : exported) {
    if (allowed.count(symbol) == 0) foreign.push_back(symbol);
  }
  if (!foreign.empty()) {
    // One finding however many: a module that exports too much usually exports everything.
    constexpr std::size_t named = 5;
    std::string names;
    for (std::size_t i = 0; i < std::min(named, foreign.size()); ++i) names += (i == 0 ? "" : ", ") + foreign[i];
    if (foreign.size() > named) names += " and " + std::to_string(foreign.size() - named) + " more";
    only.Findings.push_back({kind::ForeignExport, "exports " + std::to_string(foreign.size()) +
                                                      " symbol(s) besides its entry points: " + names});
  }
  if (std::find(exported.begin(), exported.end(), markerName) == exported.end()) {
    marker.Findings.push_back({kind::MissingMarker, "does not export its marker '" + markerName + "'"});
  }
  return {only, marker};
}

std::vector<std::string> Commands(const LoadReport& report) {
  std::vector<std::string> commands;
  for (const auto& name : report.Registered) {
    if (std::find(commands.begin(), commands.end(), name) == commands.end()) commands.push_back(name);
  }
  return commands;
}

}  // namespace vexvalidator
