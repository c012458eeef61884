// A state command's graph: its state, kept in the command's record, and the stand-in's own
// subclasses for the graph's objects, which only the host makes.
#pragma once

#include <vector>

#include "records/Objects.h"
#include "vex/StateCommand.h"

namespace vexhost::detail {

class GraphState;
class GraphCondition;
class GraphAction;
class GraphTransition;

struct StateCommandState {
  GraphState* Initial = nullptr;
  GraphState* Current = nullptr;
  VexDialogAgent* LastModified = nullptr;
  VexNotification* LastNotification = nullptr;
  // Everything the command made through its graph operations; owned.
  std::vector<GraphState*> States;
  std::vector<GraphTransition*> Transitions;
  std::vector<GraphCondition*> Conditions;
  std::vector<GraphAction*> Actions;
};

// The objects of a command's graph.
class GraphState : public VexDialogState {
 public:
  explicit GraphState(const VexString& name) : Name(name) {}
  VexString Name;
  std::vector<VexDialogAgent*> Agents;  // borrowed; null kept
};

class GraphCondition : public VexStateCondition {
 public:
  enum class Kind { LastModifiedAgent, OutputSet };
  GraphCondition(Kind kind, VexDialogAgent* agent, VexNotification* notification)
      : Which(kind), Agent(agent), Notification(notification) {}
  Kind Which;
  VexDialogAgent* Agent;          // borrowed
  VexNotification* Notification;  // borrowed
};

class GraphAction : public VexDiaAction {
 public:
  GraphAction(VexActionMethod method, void* data) : Method(method), Data(data) {}
  VexActionMethod Method;
  void* Data;
};

class GraphTransition : public VexDialogTransition {
 public:
  GraphState* From = nullptr;           // borrowed
  GraphState* To = nullptr;             // borrowed; null ends the command
  GraphCondition* Condition = nullptr;  // borrowed
  GraphAction* Action = nullptr;        // borrowed
};

// The graph of a state command.
inline StateCommandState& GraphOf(const VexStateCommand& object) { return ClassState<StateCommandState>(object); }

}  // namespace vexhost::detail
