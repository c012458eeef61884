// The state of commands and agents, kept in each object's record: a command's name and the
// analyse-notification callbacks registered on it, an agent's acceptances and whether it got a
// value. And where a host class's resource file is.
#pragma once

#include <string>
#include <vector>

#include "records/Objects.h"
#include "vex/Command.h"
#include "vex/StateCommand.h"

namespace vexhost::detail {

// An analyse-notification callback: when `Sender` sends `Notification`, it reaches `Agent`.
struct AnalyseCallback {
  VexCommand* Sender;
  VexNotification* Notification;
  VexDialogAgent* Agent;
};

struct CommandState {
  VexString Name;
  std::vector<AnalyseCallback> AnalyseCallbacks;  // registered on this command
};

struct Acceptance {
  VexCommand* Sender;             // null: from anyone
  VexNotification* Notification;  // null: by class
  std::string NotificationClass;
};

struct AgentState {
  std::vector<Acceptance> Acceptances;
  VexCommand* Dialog = nullptr;  // a panel acquisition's dialog, whose events it takes
  bool Valued = false;
};

// The state of an object's host class; the object must be of that class.
inline CommandState& CommandOf(const VexCommand& object) { return ClassState<CommandState>(object); }
inline AgentState& AgentOf(const VexDialogAgent& object) { return ClassState<AgentState>(object); }

// The resource file of a host class at a level: the class itself at 0, then its ancestors; null
// past the root.
const char* ResourceFileOfClass(const VexMetaClass& meta, int level);

}  // namespace vexhost::detail
