// Agents, states, conditions, actions, transitions, and the operations with which a state
// command builds its graph.
#include "vex/StateCommand.h"

#include <algorithm>

#include "Commands.h"
#include "Graph.h"
#include "gate/Gate.h"
#include "records/Meta.h"
#include "records/Objects.h"
#include "vex/Dialogs.h"

using namespace vexhost::detail;

VEX_DEFINE_CLASS(VexDialogAgent, VexCommand)
VEX_DEFINE_CLASS(VexPanelAcquisition, VexDialogAgent)
VEX_DEFINE_CLASS(VexDialogState, VexBaseUnknown)
VEX_DEFINE_CLASS(VexStateCondition, VexBaseUnknown)
VEX_DEFINE_CLASS(VexDiaAction, VexBaseUnknown)
VEX_DEFINE_CLASS(VexDialogTransition, VexBaseUnknown)
VEX_DEFINE_CLASS(VexStateCommand, VexDialogAgent)

// The behaviour and the mode are journaled for whoever checks them; the stand-in gives them no
// effect of its own.
VexDialogAgent::VexDialogAgent(const VexString& name, std::int64_t behavior, VexCommandMode mode)
    : VexCommand(name, mode) {
  GetImpl()->ClassStates.Add<AgentState>();
  BoundaryConstruct("VexDialogAgent", this, {Quote(name.CastToCharPtr()), std::to_string(behavior), Code(mode)});
}

VexDialogAgent::~VexDialogAgent() = default;

const char* VexDialogAgent::GetResourceFilename(int level) const {
  return ResourceFileOfClass(VexDialogAgent::MetaClass(), level < 0 ? 0 : level);
}

void VexDialogAgent::AcceptOnNotify(VexCommand* sender, VexNotification* notification) {
  if (!Gate("AcceptOnNotify", this, {Describe(sender), Describe(notification)})) return;
  AgentOf(*this).Acceptances.push_back({sender, notification, {}});
}

void VexDialogAgent::AcceptOnNotify(VexCommand* sender, const char* notificationClassName) {
  if (!Gate("AcceptOnNotify", this,
            {Describe(sender), Quote(notificationClassName != nullptr ? notificationClassName : "")})) {
    return;
  }
  if (notificationClassName == nullptr || *notificationClassName == '\0') return;  // accepts nothing
  AgentOf(*this).Acceptances.push_back({sender, nullptr, notificationClassName});
}

void VexDialogAgent::InitializeAcquisition() {
  if (!Gate("InitializeAcquisition", this)) return;
  AgentOf(*this).Valued = false;
}

int VexDialogAgent::IsOutputSet() const {
  if (!Gate("IsOutputSet", this)) return 0;
  return AgentOf(*this).Valued ? 1 : 0;
}

VexPanelAcquisition::VexPanelAcquisition(const VexString& name, VexDlgDialog* dialog) : VexDialogAgent(name, 0, 0) {
  ConstructedAs(this, "VexPanelAcquisition", {Quote(name.CastToCharPtr()), Describe(dialog)});
  AgentOf(*this).Dialog = dialog;
}

void VexPanelAcquisition::AcceptOnEvent(VexNotification* notification, void*) {
  if (!Gate("AcceptOnEvent", this, {Describe(notification), "null"})) return;
  VexCommand* dialog = AgentOf(*this).Dialog;
  // Without a dialog there is nothing to listen to. The dialog's event reaches the agent through
  // an analyse-notification callback registered on the dialog.
  if (dialog == nullptr || notification == nullptr || ImplOf(*dialog).IsDead()) return;
  CommandOf(*dialog).AnalyseCallbacks.push_back({dialog, notification, this});
}

void VexDialogState::AddDialogAgent(VexDialogAgent* agent) {
  if (!Gate("AddDialogAgent", this, {Describe(agent)})) return;
  static_cast<GraphState*>(this)->Agents.push_back(agent);
}

const VexString& VexDialogState::GetName() const { return static_cast<const GraphState*>(this)->Name; }

VexStateCommand::VexStateCommand(VexCommandMode mode) : VexDialogAgent(VexString(), 0, mode) {
  GetImpl()->ClassStates.Add<StateCommandState>();
  ConstructedAs(this, "VexStateCommand", {Code(mode)});
}

VexStateCommand::~VexStateCommand() {
  InternalScope internal;
  StateCommandState& graph = GraphOf(*this);
  for (auto* transition : graph.Transitions) DestroyObject(transition);
  for (auto* condition : graph.Conditions) DestroyObject(condition);
  for (auto* action : graph.Actions) DestroyObject(action);
  for (auto* state : graph.States) DestroyObject(state);
  graph = StateCommandState();
}

void VexStateCommand::BuildGraph() {}

namespace {

// The graph's objects are host allocations made for the command: they may fail.
template <class T, class... Args>
T* MakeForCommand(const std::string& name, Args&&... args) {
  T* object = new T(std::forward<Args>(args)...);
  if (object != nullptr) SetObjectName(object, name);
  return object;
}

}  // namespace

VexDialogState* VexStateCommand::GetInitialState(const VexString& name) {
  if (!Gate("GetInitialState", this, {Quote(name.CastToCharPtr())})) return nullptr;
  StateCommandState& graph = GraphOf(*this);
  if (graph.Initial == nullptr) {
    if (auto* state = MakeForCommand<GraphState>(name.CastToCharPtr(), name)) {
      graph.States.push_back(state);
      graph.Initial = state;
      graph.Current = state;
    }
  } else if (!(graph.Initial->Name == name)) {
    // A command has one initial state: the first one is handed back, and the module told so.
    RecordMisuse("GetInitialState", this,
                 "asked for '" + std::string(name.CastToCharPtr()) + "', but the command's initial state is '" +
                     graph.Initial->Name.CastToCharPtr() + "'; a command has one initial state");
  }
  return graph.Initial;
}

VexDialogTransition* VexStateCommand::AddTransition(VexDialogState* from, VexDialogState* to,
                                                    VexStateCondition* condition, VexDiaAction* action) {
  if (!Gate("AddTransition", this, {Describe(from), Describe(to), Describe(condition), Describe(action)})) {
    return nullptr;
  }
  StateCommandState& graph = GraphOf(*this);
  auto* transition = MakeForCommand<GraphTransition>("transition " + std::to_string(graph.Transitions.size() + 1));
  if (transition == nullptr) return nullptr;
  transition->From = static_cast<GraphState*>(from);
  transition->To = static_cast<GraphState*>(to);
  transition->Condition = static_cast<GraphCondition*>(condition);
  transition->Action = static_cast<GraphAction*>(action);
  graph.Transitions.push_back(transition);
  return transition;
}

VexStateCondition* VexStateCommand::IsLastModifiedAgentCondition(VexDialogAgent* agent, VexNotification* notification) {
  if (!Gate("IsLastModifiedAgentCondition", this, {Describe(agent), Describe(notification)})) return nullptr;
  auto* condition =
      MakeForCommand<GraphCondition>("LastModifiedAgent(" + Describe(agent) + ", " + Describe(notification) + ")",
                                     GraphCondition::Kind::LastModifiedAgent, agent, notification);
  if (condition != nullptr) GraphOf(*this).Conditions.push_back(condition);
  return condition;
}

VexStateCondition* VexStateCommand::IsOutputSetCondition(VexDialogAgent* agent) {
  if (!Gate("IsOutputSetCondition", this, {Describe(agent)})) return nullptr;
  auto* condition = MakeForCommand<GraphCondition>("OutputSet(" + Describe(agent) + ")",
                                                   GraphCondition::Kind::OutputSet, agent, nullptr);
  if (condition != nullptr) GraphOf(*this).Conditions.push_back(condition);
  return condition;
}

// Undo and redo methods are journaled; the stand-in has no undo, so it keeps only the action.
VexDiaAction* VexStateCommand::Action(VexActionMethod method, VexActionMethod undo, VexActionMethod redo, void* data) {
  if (!Gate("Action", this,
            {method != nullptr ? "method" : "null", undo != nullptr ? "method" : "null",
             redo != nullptr ? "method" : "null", data != nullptr ? "data" : "null"})) {
    return nullptr;
  }
  auto* action = MakeForCommand<GraphAction>("action", method, data);
  if (action != nullptr) GraphOf(*this).Actions.push_back(action);
  return action;
}
