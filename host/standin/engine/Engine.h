// engine: what runs commands. Commands and agents (Commands.h), state-command graphs (Graph.h), and
// the engine here: it offers a notification to the running command's agents, fires the first
// transition that holds, ends and destroys commands and runs delayed destructions. The dictionary
// and the loaded modules (Dictionary.h) are the engine's own.
#pragma once

#include <string>
#include <vector>

#include "session/SessionState.h"
#include "vex/Command.h"
#include "vex/StateCommand.h"

namespace vexhost::detail {

// The engine's part of a session.
struct EngineState {
  VexStateCommand* Running = nullptr;  // the running command, owned by the host
  int Ended = 0;                       // how many commands ended
  bool Busy = false;                   // the busy cursor, cleared when the command ends
  std::vector<VexCommand*> Delayed;    // objects awaiting delayed destruction, in request order
};

inline EngineState& EngineOf(Session::State& session) { return session.Parts.Obtain<EngineState>(); }

// Destroys a command, ending it first when it runs, then runs delayed destructions.
void DestroyCommand(Session::State& state, VexStateCommand* command);
void RunDelayedDestructions(Session::State& state);
// Records a command that the factory registered as `name` made of another class.
void CheckClass(Session::State& state, const std::string& name, const VexBaseUnknown& created);
// A widget sends a notification: the running command's agents are offered it.
void Dispatch(Session::State& state, VexCommand* sender, VexNotification* notification);

}  // namespace vexhost::detail
