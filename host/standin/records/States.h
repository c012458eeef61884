// The state of the host classes, kept in each object's host record, and the stand-in's own
// subclasses for the objects only the host makes. Not part of the contracts.
#pragma once

#include <string>
#include <vector>

#include "Objects.h"
#include "vex/Application.h"
#include "vex/Dialogs.h"
#include "vex/ErrorBox.h"
#include "vex/Errors.h"
#include "vex/ObjectClassFrame.h"
#include "vex/Products.h"
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

struct AttachmentRecord {
  std::string Operation;
  VexDlgAttachPosition Position;
  VexDlgAttachment Mode;
  std::vector<VexDialog*> Widgets;  // the list up to its first null
};

struct DialogState {
  VexDialog* Parent = nullptr;  // borrowed
  VexDialogStyle Style = 0;
  VexUnicodeString Title;
  unsigned Visibility = VexDlgShow;
  unsigned Sensitivity = VexDlgSensitive;
  std::vector<VexDialog*> Children;  // owned
  std::vector<AttachmentRecord> Attachments;
};

struct DlgDialogState {
  unsigned OKSensitivity = VexDlgSensitive;
  VexNotification* OK = nullptr;      // owned
  VexNotification* Cancel = nullptr;  // owned
  VexNotification* Close = nullptr;   // owned
};

struct NotifyState {
  VexUnicodeString Text;
  VexNotification* OK = nullptr;  // owned
};

struct EditorState {
  std::vector<VexUnicodeString> Lines;
  int VisibleTextHeight = 0;
  int VisibleTextWidth = 0;
  int MaxCharacterWidth = 0;
};

struct ComboState {
  std::vector<VexUnicodeString> Lines;
  int Shown = -1;
};

struct ClassFrameState {
  std::string Family;
  VexUnicodeString Selected;
  VexDlgEditor* Editor = nullptr;              // a child
  VexDlgPushButton* Browser = nullptr;         // a child
  VexStrObjectClassFrameNotif* Notification = nullptr;  // owned
};

struct Acceptance {
  VexCommand* Sender;                // null: from anyone
  VexNotification* Notification;     // null: by class
  std::string NotificationClass;
};

struct AgentState {
  std::vector<Acceptance> Acceptances;
  VexCommand* Dialog = nullptr;  // a panel acquisition's dialog, whose events it takes
  bool Valued = false;
};

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
  VexDialogAgent* Agent;            // borrowed
  VexNotification* Notification;   // borrowed
};

class GraphAction : public VexDiaAction {
 public:
  GraphAction(VexActionMethod method, void* data) : Method(method), Data(data) {}
  VexActionMethod Method;
  void* Data;
};

class GraphTransition : public VexDialogTransition {
 public:
  GraphState* From = nullptr;            // borrowed
  GraphState* To = nullptr;              // borrowed; null ends the command
  GraphCondition* Condition = nullptr;   // borrowed
  GraphAction* Action = nullptr;         // borrowed
};

// The session's layout and editors.
class Layout : public VexFrmLayout {
 public:
  VexDlgWindow* MainWindow = nullptr;  // owned by the session
};

class Editor : public VexFrmEditor {
 public:
  VexPathElement* ActivePath = nullptr;  // owned
};

}  // namespace vexhost::detail

class VexPathImpl {
 public:
  std::vector<VexBaseUnknown*> Objects;  // each holds a reference of the path's
};

namespace vexhost::detail {

// The state of an object's host class; the object must be of that class.
inline CommandState& CommandOf(const VexCommand& object) { return ClassState<CommandState>(object); }
inline DialogState& DialogOf(const VexDialog& object) { return ClassState<DialogState>(object); }
inline DlgDialogState& DlgDialogOf(const VexDlgDialog& object) { return ClassState<DlgDialogState>(object); }
inline NotifyState& NotifyOf(const VexDlgNotify& object) { return ClassState<NotifyState>(object); }
inline EditorState& EditorOf(const VexDlgEditor& object) { return ClassState<EditorState>(object); }
inline ComboState& ComboOf(const VexDlgCombo& object) { return ClassState<ComboState>(object); }
inline ClassFrameState& ClassFrameOf(const VexStrObjectClassFrame& object) {
  return ClassState<ClassFrameState>(object);
}
inline AgentState& AgentOf(const VexDialogAgent& object) { return ClassState<AgentState>(object); }
inline StateCommandState& GraphOf(const VexStateCommand& object) { return ClassState<StateCommandState>(object); }

}  // namespace vexhost::detail
