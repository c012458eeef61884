// What the host shows: a copy of a dialog tree as a person would see it, for drawing and
// assertions. Nothing in a snapshot points back into the host.
#pragma once

#include <string>
#include <vector>

class VexCommand;
class VexDialog;
class VexStateCommand;

namespace vexhost {

struct AttachmentView {
  std::string Operation;  // "SetVerticalAttachment" or "SetHorizontalAttachment"
  int Position;
  int Mode;
  std::vector<std::string> Widgets;  // widget names, in order
};

struct WidgetView {
  std::string Class;  // the host class: "VexDlgFrame", "VexDlgEditor", ...
  std::string Name;
  std::string Title;      // set explicitly, else the resource text for the name, else ""
  bool TitleSet = false;  // whether SetTitle was called
  unsigned Style = 0;
  bool Visible = true;
  bool Sensitive = true;
  std::vector<std::string> Lines;  // editor or combo lines; for an error box its text
  int Shown = -1;                  // the combo line shown
  int VisibleTextHeight = 0, VisibleTextWidth = 0, MaxCharacterWidth = 0;
  bool HasOK = false;  // a dialog with OK and Cancel, or a notify box with OK
  bool OKSensitive = true;
  std::string Family;  // an object-class frame's family of classes
  std::vector<AttachmentView> Attachments;
  std::vector<WidgetView> Children;

  const WidgetView* Find(const std::string& name) const;  // this or a descendant
};

WidgetView Snapshot(const VexDialog& dialog);

// The resource files a command or dialog names, asked through the journal as the host asks them:
// at level -1, then at levels 0, 1, ... until it names none, no deeper than the host looks up a
// text (16 levels); each quoted, "null" where it names none.
std::vector<std::string> ResourceFiles(const VexCommand& object);

struct TransitionView {
  std::string From, To;   // state names; "(null)" for a null state, "(end)" for a null target
  std::string Condition;  // "LastModifiedAgent(ErrorBox, VexStrErrorBox.OK)", "OutputSet(SelectClassAgent)", "(null)"
  int Action = -1;        // the same number for the same action method, numbered in order of use; -1 none
};

struct GraphView {
  std::string InitialState;
  std::vector<std::string> StateAgents;  // agent names of the initial state, "(null)" for a null agent
  std::vector<TransitionView> Transitions;
  std::string CurrentState;
};

GraphView SnapshotGraph(const VexStateCommand& command);

}  // namespace vexhost
