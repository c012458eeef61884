// Agents, states, conditions, actions, transitions, and the operations with which a state
// command builds its graph.
#include <algorithm>

#include "HostState.h"
#include "Meta.h"

using namespace vexhost::detail;

namespace vexhost::detail {
const char* ResourceFileOfClass(const VexMetaClass& meta, int level);
}

VEX_DEFINE_CLASS(VexDialogAgent, VexCommand)
VEX_DEFINE_CLASS(VexPanelAcquisition, VexDialogAgent)
VEX_DEFINE_CLASS(VexDialogState, VexBaseUnknown)
VEX_DEFINE_CLASS(VexStateCondition, VexBaseUnknown)
VEX_DEFINE_CLASS(VexDiaAction, VexBaseUnknown)
VEX_DEFINE_CLASS(VexDialogTransition, VexBaseUnknown)
VEX_DEFINE_CLASS(VexStateCommand, VexDialogAgent)

VexDialogAgent::VexDialogAgent(const VexString& name, std::int64_t behavior, VexCommandMode mode)
    : VexCommand(name, mode), _Behavior(behavior) {
  BoundaryConstruct("VexDialogAgent", this, {Quote(name.CastToCharPtr()), std::to_string(behavior), Code(mode)});
}

VexDialogAgent::~VexDialogAgent() = default;

const char* VexDialogAgent::GetResourceFilename(int level) const {
  return ResourceFileOfClass(VexDialogAgent::MetaClass(), level < 0 ? 0 : level);
}

void VexDialogAgent::AcceptOnNotify(VexCommand* sender, VexNotification* notification) {
  Boundary("AcceptOnNotify", this, {Describe(sender), Describe(notification)});
  _Acceptances.push_back({sender, notification, {}});
}

void VexDialogAgent::AcceptOnNotify(VexCommand* sender, const char* notificationClassName) {
  Boundary("AcceptOnNotify", this, {Describe(sender), Quote(notificationClassName)});
  _Acceptances.push_back({sender, nullptr, notificationClassName != nullptr ? notificationClassName : ""});
}

void VexDialogAgent::InitializeAcquisition() {
  Boundary("InitializeAcquisition", this);
  _Valued = false;
  _LastNotification = nullptr;
}

int VexDialogAgent::IsOutputSet() const {
  Boundary("IsOutputSet", this);
  return _Valued ? 1 : 0;
}

VexPanelAcquisition::VexPanelAcquisition(const VexString& name, VexDlgDialog* dialog)
    : VexDialogAgent(name, 0, 0), _Dialog(dialog) {
  ConstructedAs(this, "VexPanelAcquisition", {Quote(name.CastToCharPtr()), Describe(dialog)});
}

void VexPanelAcquisition::AcceptOnEvent(VexNotification* notification, void*) {
  Boundary("AcceptOnEvent", this, {Describe(notification), "null"});
  // Without a dialog there is nothing to listen to.
  if (_Dialog != nullptr) vexhost::Inspect::AcceptFrom(*this, _Dialog, notification);
}

VexDialogState::VexDialogState(const VexString& name) : _Name(name) { SetObjectName(this, name.CastToCharPtr()); }

void VexDialogState::AddDialogAgent(VexDialogAgent* agent) {
  Boundary("AddDialogAgent", this, {Describe(agent)});
  _Agents.push_back(agent);
}

const VexString& VexDialogState::GetName() const { return _Name; }

VexStateCommand::VexStateCommand(VexCommandMode mode) : VexDialogAgent(VexString(), 0, mode) {
  ConstructedAs(this, "VexStateCommand", {Code(mode)});
}

VexStateCommand::~VexStateCommand() {
  InternalScope internal;
  for (auto* transition : _Transitions) delete transition;
  for (auto* condition : _Conditions) delete condition;
  for (auto* action : _Actions) delete action;
  for (auto* state : _States) delete state;
}

void VexStateCommand::BuildGraph() {}

VexDialogState* VexStateCommand::GetInitialState(const VexString& name) {
  Boundary("GetInitialState", this, {Quote(name.CastToCharPtr())});
  if (_InitialState == nullptr) {
    auto* state = new VexDialogState(name);  // a host allocation made for the command: it may fail
    if (state != nullptr) {
      _States.push_back(state);
      _InitialState = state;
      _CurrentState = state;
    }
  }
  return _InitialState;
}

VexDialogTransition* VexStateCommand::AddTransition(VexDialogState* from, VexDialogState* to,
                                                    VexStateCondition* condition, VexDiaAction* action) {
  Boundary("AddTransition", this, {Describe(from), Describe(to), Describe(condition), Describe(action)});
  auto* transition = new VexDialogTransition();
  if (transition == nullptr) return nullptr;
  transition->_From = from;
  transition->_To = to;
  transition->_Condition = condition;
  transition->_Action = action;
  SetObjectName(transition, "transition " + std::to_string(_Transitions.size() + 1));
  _Transitions.push_back(transition);
  return transition;
}

VexStateCondition* VexStateCommand::IsLastModifiedAgentCondition(VexDialogAgent* agent,
                                                                 VexNotification* notification) {
  Boundary("IsLastModifiedAgentCondition", this, {Describe(agent), Describe(notification)});
  auto* condition = new VexStateCondition();
  if (condition == nullptr) return nullptr;
  condition->_Kind = VexStateCondition::Kind::LastModifiedAgent;
  condition->_Agent = agent;
  condition->_Notification = notification;
  SetObjectName(condition, "LastModifiedAgent(" + Describe(agent) + ", " + Describe(notification) + ")");
  _Conditions.push_back(condition);
  return condition;
}

VexStateCondition* VexStateCommand::IsOutputSetCondition(VexDialogAgent* agent) {
  Boundary("IsOutputSetCondition", this, {Describe(agent)});
  auto* condition = new VexStateCondition();
  if (condition == nullptr) return nullptr;
  condition->_Kind = VexStateCondition::Kind::OutputSet;
  condition->_Agent = agent;
  SetObjectName(condition, "OutputSet(" + Describe(agent) + ")");
  _Conditions.push_back(condition);
  return condition;
}

VexDiaAction* VexStateCommand::Action(VexActionMethod method, VexActionMethod undo, VexActionMethod redo, void* data) {
  Boundary("Action", this,
           {method != nullptr ? "method" : "null", undo != nullptr ? "method" : "null",
            redo != nullptr ? "method" : "null", data != nullptr ? "data" : "null"});
  auto* action = new VexDiaAction();
  if (action == nullptr) return nullptr;
  action->_Method = method;
  action->_Undo = undo;
  action->_Redo = redo;
  action->_Data = data;
  SetObjectName(action, "action");
  _Actions.push_back(action);
  return action;
}
