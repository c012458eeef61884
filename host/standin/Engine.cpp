// The state-command engine: starting a command, offering notifications to its agents, firing
// transitions, ending and destroying commands, and delayed destructions.
#include <algorithm>
#include <stdexcept>

#include "SessionState.h"

namespace vexhost {

using namespace detail;

namespace detail {

namespace {

void EndRunning(Session::State& state) {
  state.Running = nullptr;
  ++state.Ended;
  state.Busy = false;  // the host clears the busy cursor when the command ends
}

// Destroys one object whose destruction the module asked for, or an ended command.
void Destroy(VexCommand* object) {
  IntoModule("Destroy", object);
  ModuleScope module;
  delete object;
}

bool Accepts(VexDialogAgent& agent, VexCommand* sender, VexNotification* notification) {
  for (const auto& acceptance : Inspect::Acceptances(agent)) {
    if (acceptance.Sender != nullptr && acceptance.Sender != sender) continue;
    if (acceptance.Notification != nullptr && acceptance.Notification == notification) return true;
    if (!acceptance.NotificationClass.empty() &&
        notification->GetMetaObject()->IsKindOf(acceptance.NotificationClass.c_str())) {
      return true;
    }
  }
  return false;
}

bool Holds(VexStateCommand& command, const VexStateCondition* condition) {
  // A condition that could not be made, or that names an agent that could not be made, never holds.
  if (condition == nullptr || Inspect::Agent(*condition) == nullptr) return false;
  VexDialogAgent* agent = Inspect::Agent(*condition);
  if (Inspect::IsLastModifiedAgentKind(*condition)) {
    return Inspect::LastModifiedAgent(command) == agent &&
           Inspect::LastNotification(command) == Inspect::Notification(*condition);
  }
  return Inspect::Valued(*agent);
}

// Runs a transition's action and moves to its target; a null target ends the command.
void Fire(Session::State& state, VexStateCommand& command, VexDialogTransition& transition) {
  VexDiaAction* action = Inspect::Action(transition);
  if (action != nullptr && Inspect::Method(*action) != nullptr) {
    const std::size_t entry = IntoModule("RunAction", &command, {Describe(&transition)});
    VexBoolean result = 0;
    const bool completed = AtTopLevel("RunAction", [&] {
      ModuleScope module;
      result = (command.*Inspect::Method(*action))(Inspect::Data(*action));
    });
    Host().TheJournal.SetResult(entry, completed ? (result != 0 ? "true" : "false") : "error");
  }
  // The engine moves on whatever the action returned.
  VexDialogState* target = Inspect::To(transition);
  if (target != nullptr) {
    Inspect::CurrentState(command) = target;
    return;
  }
  EndRunning(state);
  DestroyCommand(state, &command);
}

}  // namespace

void DestroyCommand(Session::State& state, VexStateCommand* command) {
  if (state.Running == command) EndRunning(state);
  std::erase(Host().Delayed, command);  // destroyed once, also when it asked for it itself
  Destroy(command);
  RunDelayedDestructions(state);
}

void RunDelayedDestructions(Session::State& state) {
  auto& delayed = Host().Delayed;
  while (!delayed.empty()) {
    VexCommand* object = delayed.front();
    delayed.erase(delayed.begin());
    if (object == state.Running) EndRunning(state);
    Destroy(object);
  }
  // While a command runs it may still hold a pointer it released once too often; its release is
  // then reported rather than made on freed memory.
  if (state.Running == nullptr) Host().Objects.Reclaim(false);
}

void Dispatch(Session::State& state, VexCommand* sender, VexNotification* notification) {
  VexStateCommand* command = state.Running;
  if (command == nullptr || notification == nullptr) return;
  VexDialogState* current = Inspect::CurrentState(*command);
  if (current == nullptr) return;
  VexDialogAgent* taker = nullptr;
  for (VexDialogAgent* agent : Inspect::Agents(*current)) {
    // A valued agent takes nothing more until it is made to wait again.
    if (agent != nullptr && !Inspect::Valued(*agent) && Accepts(*agent, sender, notification)) {
      taker = agent;
      break;
    }
  }
  if (taker == nullptr) return;
  Inspect::Valued(*taker) = true;
  Inspect::AgentNotification(*taker) = notification;
  Inspect::LastModifiedAgent(*command) = taker;
  Inspect::LastNotification(*command) = notification;
  // The state's transitions are tested in the order they were added; the first that holds fires.
  for (VexDialogTransition* transition : Inspect::Transitions(*command)) {
    if (Inspect::From(*transition) != current) continue;
    if (Holds(*command, Inspect::Condition(*transition))) {
      Fire(state, *command, *transition);
      return;
    }
  }
}

}  // namespace detail

VexStateCommand* Session::StartCommand(const std::string& name) {
  auto found = Host().Dictionary.find(name);
  if (found == Host().Dictionary.end()) throw std::invalid_argument("no command is registered as '" + name + "'");
  State& state = *_State;
  if (state.Running != nullptr) CancelRunningCommand();

  const std::size_t entry = IntoModule("Create", nullptr, {Quote(name)});
  VexBaseUnknown* created = nullptr;
  Host().CreatingCommand = name;
  AtTopLevel("Create", [&] {
    ModuleScope module;
    created = found->second();
  });
  Host().CreatingCommand.clear();
  Host().TheJournal.SetResult(entry, created != nullptr ? Describe(created) : "null");
  if (created == nullptr) {
    RunDelayedDestructions(state);
    return nullptr;
  }
  auto* command = dynamic_cast<VexStateCommand*>(created);
  if (command == nullptr) {
    {
      ModuleScope module;
      delete created;
    }
    throw std::logic_error("'" + name + "' does not create a state command");
  }
  state.Running = command;

  IntoModule("BuildGraph", command);
  AtTopLevel("BuildGraph", [&] {
    ModuleScope module;
    command->BuildGraph();
  });
  if (state.Running == command) {
    Inspect::CurrentState(*command) = Inspect::InitialState(*command);
    const std::size_t activation = IntoModule("Activate", command, {"null", "null"});
    VexStatusChangeRC status = 0;
    const bool completed = AtTopLevel("Activate", [&] {
      ModuleScope module;
      status = command->Activate(nullptr, nullptr);
    });
    Host().TheJournal.SetResult(activation, completed ? Code(status) : "error");
  }
  RunDelayedDestructions(state);
  return state.Running;
}

VexStateCommand* Session::RunningCommand() const { return _State->Running; }

int Session::CommandsEnded() const { return _State->Ended; }

void Session::CancelRunningCommand() {
  State& state = *_State;
  VexStateCommand* command = state.Running;
  if (command == nullptr) return;
  const std::size_t entry = IntoModule("Cancel", command, {"null", "null"});
  VexStatusChangeRC status = 0;
  const bool completed = AtTopLevel("Cancel", [&] {
    ModuleScope module;
    status = command->Cancel(nullptr, nullptr);
  });
  Host().TheJournal.SetResult(entry, completed ? Code(status) : "error");
  DestroyCommand(state, command);
}

void Session::Send(VexCommand* sender, VexNotification* notification) {
  Dispatch(*_State, sender, notification);
  RunDelayedDestructions(*_State);
}

}  // namespace vexhost
