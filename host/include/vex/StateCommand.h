// The state-command engine: agents that wait for notifications, states that hold agents, and
// transitions with conditions and actions.
//
// The host creates a command through its factory, calls BuildGraph once, then Activate. On each
// notification the first agent of the current state that accepts it is valued, and the state's
// transitions are tested in the order they were added: the first whose condition holds fires,
// its action runs, and the engine moves to its target whatever the action returned; a null target
// ends the command (see VexCommand::RequestDelayedDestruction for the other way). A command has
// one state in this host, its initial state: a command of several dialogs gives each dialog its
// agent in that state, and its transitions lead back to it or to null.
#pragma once

#include <cstdint>

#include "vex/Command.h"

class VexDlgDialog;
class VexStateCommand;

// An agent waits for what it accepts; once it gets it, it is valued (its output is set) and takes
// nothing more until InitializeAcquisition makes it wait again.
class VexDialogAgent : public VexCommand {
  VEX_DECLARE_CLASS
 public:
  VexDialogAgent(const VexString& name, std::int64_t behavior = 0, VexCommandMode mode = 0);
  ~VexDialogAgent() override;

  const char* GetResourceFilename(int level) const override;

  // Accepts `notification` from `sender` (null: from anyone).
  void AcceptOnNotify(VexCommand* sender, VexNotification* notification);
  // Accepts every notification of that class from `sender` (null: from anyone).
  void AcceptOnNotify(VexCommand* sender, const char* notificationClassName);
  void InitializeAcquisition();
  int IsOutputSet() const;
};

// An agent that listens to a dialog's own events, through analyse-notification callbacks it
// registers on the dialog.
class VexPanelAcquisition : public VexDialogAgent {
  VEX_DECLARE_CLASS
 public:
  VexPanelAcquisition(const VexString& name, VexDlgDialog* dialog);
  // Accepts `notification` from the agent's dialog.
  void AcceptOnEvent(VexNotification* notification, void* reserved);
};

// A state of a command's graph, made by the command's GetInitialState.
class VexDialogState : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 public:
  // Adds an agent (null is kept as a place that never takes anything).
  void AddDialogAgent(VexDialogAgent* agent);
  const VexString& GetName() const;

 protected:
  VexDialogState() = default;  // the host makes states
};

// A transition's condition, made by IsLastModifiedAgentCondition or IsOutputSetCondition.
class VexStateCondition : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 protected:
  VexStateCondition() = default;
};

using VexActionMethod = VexBoolean (VexStateCommand::*)(void* data);

// A transition's action, made by Action.
class VexDiaAction : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 protected:
  VexDiaAction() = default;
};

// A transition, made by AddTransition.
class VexDialogTransition : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 protected:
  VexDialogTransition() = default;
};

class VexStateCommand : public VexDialogAgent {
  VEX_DECLARE_CLASS
 public:
  explicit VexStateCommand(VexCommandMode mode = 0);
  // Destroys the states, transitions, conditions and actions the command made.
  ~VexStateCommand() override;

  // Called once by the engine before Activate.
  virtual void BuildGraph();

  // The command's one state, made with that name on the first call; later calls return the same
  // state whatever name they give.
  VexDialogState* GetInitialState(const VexString& name);
  VexDialogTransition* AddTransition(VexDialogState* from, VexDialogState* to, VexStateCondition* condition,
                                     VexDiaAction* action);
  // Holds when `agent` was the last agent valued, by `notification`.
  VexStateCondition* IsLastModifiedAgentCondition(VexDialogAgent* agent, VexNotification* notification);
  // Holds when `agent` is valued.
  VexStateCondition* IsOutputSetCondition(VexDialogAgent* agent);
  VexDiaAction* Action(VexActionMethod method, VexActionMethod undo = nullptr, VexActionMethod redo = nullptr,
                       void* data = nullptr);
};
