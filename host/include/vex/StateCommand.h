// The state-command engine: agents that wait for notifications, states that hold agents, and
// transitions with conditions and actions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

 private:
  friend struct vexhost::Inspect;
  struct Acceptance {
    VexCommand* Sender;
    VexNotification* Notification;
    std::string NotificationClass;
  };
  std::int64_t _Behavior;
  std::vector<Acceptance> _Acceptances;
  bool _Valued = false;
  VexNotification* _LastNotification = nullptr;
};

// An agent that listens to a dialog's own events.
class VexPanelAcquisition : public VexDialogAgent {
  VEX_DECLARE_CLASS
 public:
  VexPanelAcquisition(const VexString& name, VexDlgDialog* dialog);
  // Accepts `notification` from the agent's dialog.
  void AcceptOnEvent(VexNotification* notification, void* reserved);

 private:
  friend struct vexhost::Inspect;
  VexDlgDialog* _Dialog;
};

class VexDialogState : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 public:
  explicit VexDialogState(const VexString& name);
  // Adds an agent (null is kept as a place that never takes anything).
  void AddDialogAgent(VexDialogAgent* agent);
  const VexString& GetName() const;

 private:
  friend struct vexhost::Inspect;
  VexString _Name;
  std::vector<VexDialogAgent*> _Agents;  // borrowed
};

class VexStateCondition : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 private:
  friend struct vexhost::Inspect;
  friend class VexStateCommand;
  enum class Kind { LastModifiedAgent, OutputSet } _Kind = Kind::OutputSet;
  VexDialogAgent* _Agent = nullptr;            // borrowed
  VexNotification* _Notification = nullptr;   // borrowed
};

using VexActionMethod = VexBoolean (VexStateCommand::*)(void* data);

class VexDiaAction : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 private:
  friend struct vexhost::Inspect;
  friend class VexStateCommand;
  VexActionMethod _Method = nullptr;
  VexActionMethod _Undo = nullptr;
  VexActionMethod _Redo = nullptr;
  void* _Data = nullptr;
};

class VexDialogTransition : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 private:
  friend struct vexhost::Inspect;
  friend class VexStateCommand;
  VexDialogState* _From = nullptr;        // borrowed
  VexDialogState* _To = nullptr;          // borrowed; null ends the command
  VexStateCondition* _Condition = nullptr;
  VexDiaAction* _Action = nullptr;
};

class VexStateCommand : public VexDialogAgent {
  VEX_DECLARE_CLASS
 public:
  explicit VexStateCommand(VexCommandMode mode = 0);
  // Destroys the states, transitions, conditions and actions the command made.
  ~VexStateCommand() override;

  // Called once by the engine before Activate.
  virtual void BuildGraph();

  // The command's initial state, made with that name on the first call.
  VexDialogState* GetInitialState(const VexString& name);
  VexDialogTransition* AddTransition(VexDialogState* from, VexDialogState* to, VexStateCondition* condition,
                                     VexDiaAction* action);
  // Holds when `agent` was the last agent valued, by `notification`.
  VexStateCondition* IsLastModifiedAgentCondition(VexDialogAgent* agent, VexNotification* notification);
  // Holds when `agent` is valued.
  VexStateCondition* IsOutputSetCondition(VexDialogAgent* agent);
  VexDiaAction* Action(VexActionMethod method, VexActionMethod undo = nullptr, VexActionMethod redo = nullptr,
                       void* data = nullptr);

 private:
  friend struct vexhost::Inspect;
  VexDialogState* _InitialState = nullptr;
  VexDialogState* _CurrentState = nullptr;
  VexDialogAgent* _LastModifiedAgent = nullptr;
  VexNotification* _LastNotification = nullptr;
  // Everything the command made through the operations above; owned.
  std::vector<VexDialogState*> _States;
  std::vector<VexDialogTransition*> _Transitions;
  std::vector<VexStateCondition*> _Conditions;
  std::vector<VexDiaAction*> _Actions;
};
