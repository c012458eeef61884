// The state-command engine: starting a command, offering notifications to its agents, firing
// transitions, ending and destroying commands, and delayed destructions.
#include "Engine.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <typeinfo>

#include "Commands.h"
#include "Dictionary.h"
#include "Graph.h"
#include "gate/Gate.h"
#include "records/Objects.h"
#include "session/SessionState.h"
#include "vex/StateCommand.h"
#include "vexhost/Journal.h"
#include "vexhost/Session.h"

namespace vexhost {

using namespace detail;

namespace detail {

namespace {

void EndRunning(EngineState& engine) {
  engine.Running = nullptr;
  ++engine.Ended;
  engine.Busy = false;  // the host clears the busy cursor when the command ends
}

// Destroys one object whose destruction the module asked for, or an ended command.
void Destroy(VexCommand* object) {
  IntoModule("Destroy", object, {}, false);
  ModuleScope module;
  DestroyObject(object);
}

// The host finds a dead object where the module left it: it does not touch it, and says so.
bool AliveForTheHost(const VexBaseUnknown* object, const char* op) {
  if (object == nullptr) return false;
  if (!ImplOf(*object).IsDead()) return true;
  RecordViolation(op, ImplOf(*object), HostToModule);
  return false;
}

bool ThroughCallback(VexDialogAgent& agent, VexCommand* sender, VexNotification* notification) {
  if (AgentOf(agent).Dialog == nullptr || AgentOf(agent).Dialog != sender) return false;
  const auto& callbacks = CommandOf(*sender).AnalyseCallbacks;
  return std::any_of(callbacks.begin(), callbacks.end(), [&](const AnalyseCallback& callback) {
    return callback.Sender == sender && callback.Notification == notification && callback.Agent == &agent;
  });
}

bool Accepts(VexDialogAgent& agent, VexCommand* sender, VexNotification* notification) {
  if (ThroughCallback(agent, sender, notification)) return true;
  for (const auto& acceptance : AgentOf(agent).Acceptances) {
    if (acceptance.Sender != nullptr && acceptance.Sender != sender) continue;
    if (acceptance.Notification != nullptr && acceptance.Notification == notification) return true;
    if (!acceptance.NotificationClass.empty() &&
        notification->GetMetaObject()->IsKindOf(acceptance.NotificationClass.c_str())) {
      return true;
    }
  }
  return false;
}

bool Holds(StateCommandState& graph, const GraphCondition* condition) {
  // A condition that could not be made, or that names an agent that could not be made, never holds.
  if (condition == nullptr || condition->Agent == nullptr) return false;
  if (!AliveForTheHost(condition->Agent, "IsOutputSet")) return false;
  if (condition->Which == GraphCondition::Kind::LastModifiedAgent) {
    return graph.LastModified == condition->Agent && graph.LastNotification == condition->Notification;
  }
  return AgentOf(*condition->Agent).Valued;
}

// Runs a transition's action and moves to its target; a null target ends the command.
void Fire(Session::State& state, VexStateCommand& command, GraphTransition& transition) {
  GraphAction* action = transition.Action;
  if (action != nullptr && action->Method != nullptr) {
    const std::size_t entry = IntoModule("RunAction", &command, {Describe(&transition)});
    VexBoolean result = 0;
    const bool completed = AtTopLevel("RunAction", [&] {
      ModuleScope module;
      result = (command.*(action->Method))(action->Data);
    });
    ModuleReturned(entry, completed ? (result != 0 ? "true" : "false") : "error");
  }
  // The engine moves on whatever the action returned.
  if (transition.To != nullptr) {
    GraphOf(command).Current = transition.To;
    return;
  }
  EndRunning(EngineOf(state));
  DestroyCommand(state, &command);
}

// The class of a module's object, unqualified: a module class answers the host's type queries as
// its host base does, so only its dynamic type tells it.
std::string DynamicClass(const VexBaseUnknown& object) {
  const char* mangled = typeid(object).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  std::string name = status == 0 && demangled != nullptr ? demangled.get() : mangled;
  name = name.substr(0, name.find('<'));  // a template's arguments are not its name
  const std::size_t scope = name.rfind("::");
  return scope == std::string::npos ? name : name.substr(scope + 2);
}

}  // namespace

// A registered name is the class name of the command its factory makes: one of another class
// (a sibling's, a base's) is recorded, and the command runs on.
void CheckClass(Session::State& state, const std::string& name, const VexBaseUnknown& created) {
  const std::string made = DynamicClass(created);
  if (made == name) return;
  const std::string what = "Create '" + name + "' (" + std::string(HostToModule) + "): its factory made a command of " +
                           "class '" + made + "', not of the class registered under that name";
  if (state.Recorded.insert(what).second) state.WrongClasses.push_back(what);
}

void DestroyCommand(Session::State& state, VexStateCommand* command) {
  EngineState& engine = EngineOf(state);
  if (engine.Running == command) EndRunning(engine);
  std::erase(engine.Delayed, command);  // destroyed once, also when it asked for it itself
  Destroy(command);
  RunDelayedDestructions(state);
}

void RunDelayedDestructions(Session::State& state) {
  EngineState& engine = EngineOf(state);
  auto& delayed = engine.Delayed;
  while (!delayed.empty()) {
    VexCommand* object = delayed.front();
    delayed.erase(delayed.begin());
    if (object == engine.Running) EndRunning(engine);
    Destroy(object);
  }
  // While a command runs it may still hold pointers to what was destroyed: the memory stays
  // until it has ended, so that a stray call is reported rather than made on freed memory.
  if (engine.Running == nullptr) state.Objects.Reclaim(false);
}

void Dispatch(Session::State& state, VexCommand* sender, VexNotification* notification) {
  VexStateCommand* command = EngineOf(state).Running;
  if (command == nullptr || notification == nullptr) return;
  StateCommandState& graph = GraphOf(*command);
  GraphState* current = graph.Current;
  if (current == nullptr) return;
  VexDialogAgent* taker = nullptr;
  for (VexDialogAgent* agent : current->Agents) {
    // A valued agent takes nothing more until it is made to wait again.
    if (agent == nullptr || !AliveForTheHost(agent, "AnalyseNotification")) continue;
    if (!AgentOf(*agent).Valued && Accepts(*agent, sender, notification)) {
      taker = agent;
      break;
    }
  }
  if (taker == nullptr) return;
  AgentOf(*taker).Valued = true;
  graph.LastModified = taker;
  graph.LastNotification = notification;
  // The state's transitions are tested in the order they were added; the first that holds fires.
  for (GraphTransition* transition : graph.Transitions) {
    if (transition->From != current) continue;
    if (Holds(graph, transition->Condition)) {
      Fire(state, *command, *transition);
      return;
    }
  }
}

}  // namespace detail

VexStateCommand* Session::StartCommand(const std::string& name) {
  DictionaryState& dictionary = TheDictionary();
  auto found = dictionary.Entries.find(name);
  if (found == dictionary.Entries.end()) throw std::invalid_argument("no command is registered as '" + name + "'");
  State& state = *_State;
  EngineState& engine = EngineOf(state);
  if (engine.Running != nullptr) CancelRunningCommand();

  const std::size_t entry = IntoModule("Create", nullptr, {Quote(name)});
  VexBaseUnknown* created = nullptr;
  dictionary.CreatingCommand = name;
  AtTopLevel("Create", [&] {
    ModuleScope module;
    created = found->second();
  });
  dictionary.CreatingCommand.clear();
  ModuleReturned(entry, created != nullptr ? Describe(created) : "null");
  if (created == nullptr) {
    RunDelayedDestructions(state);
    return nullptr;
  }
  CheckClass(state, name, *created);
  auto* command = dynamic_cast<VexStateCommand*>(created);
  if (command == nullptr) {
    {
      ModuleScope module;
      DestroyObject(created);
    }
    RunDelayedDestructions(state);
    throw std::logic_error("'" + name + "' does not create a state command");
  }
  engine.Running = command;

  IntoModule("BuildGraph", command, {}, false);
  AtTopLevel("BuildGraph", [&] {
    ModuleScope module;
    command->BuildGraph();
  });
  if (engine.Running == command) {
    GraphOf(*command).Current = GraphOf(*command).Initial;
    const std::size_t activation = IntoModule("Activate", command, {"null", "null"});
    VexStatusChangeRC status = 0;
    const bool completed = AtTopLevel("Activate", [&] {
      ModuleScope module;
      status = command->Activate(nullptr, nullptr);
    });
    ModuleReturned(activation, completed ? Code(status) : "error");
  }
  RunDelayedDestructions(state);
  return engine.Running;
}

VexStateCommand* Session::RunningCommand() const { return EngineOf(*_State).Running; }

int Session::CommandsEnded() const { return EngineOf(*_State).Ended; }

bool Session::BusyCursor() const { return EngineOf(*_State).Busy; }

void Session::CancelRunningCommand() {
  State& state = *_State;
  VexStateCommand* command = EngineOf(state).Running;
  if (command == nullptr) return;
  const std::size_t entry = IntoModule("Cancel", command, {"null", "null"});
  VexStatusChangeRC status = 0;
  const bool completed = AtTopLevel("Cancel", [&] {
    ModuleScope module;
    status = command->Cancel(nullptr, nullptr);
  });
  ModuleReturned(entry, completed ? Code(status) : "error");
  DestroyCommand(state, command);
}

bool Session::ReactivateRunningCommand() {
  State& state = *_State;
  EngineState& engine = EngineOf(state);
  VexStateCommand* command = engine.Running;
  if (command == nullptr) return false;
  // Each step may end the command (it asks for its destruction): the next one is then not made.
  for (const char* op : {"Desactivate", "Activate"}) {
    if (engine.Running != command) break;
    const std::size_t entry = IntoModule(op, command, {"null", "null"});
    VexStatusChangeRC status = 0;
    const bool completed = AtTopLevel(op, [&] {
      ModuleScope module;
      status = std::string_view(op) == "Activate" ? command->Activate(nullptr, nullptr)
                                                  : command->Desactivate(nullptr, nullptr);
    });
    ModuleReturned(entry, completed ? Code(status) : "error");
    RunDelayedDestructions(state);
  }
  return true;
}

void Session::Send(VexCommand* sender, VexNotification* notification) {
  Dispatch(*_State, sender, notification);
  RunDelayedDestructions(*_State);
}

}  // namespace vexhost
