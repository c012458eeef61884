// dialogs: the dialog toolkit. The state of each dialog and widget, kept in its record (here):
// its tree, style, title, visibility, sensitivity and attachments, and what its class adds: a
// dialog's OK and Cancel, a message box's text, an editor's lines, a combo's, an object-class
// frame's family and choice. The application frame, with the session's layout, main window and
// the windows on it (Frame.h); resource texts (Resources.h).
#pragma once

#include <string>
#include <vector>

#include "records/Objects.h"
#include "vex/Dialogs.h"
#include "vex/ObjectClassFrame.h"

namespace vexhost::detail {

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
  VexDlgEditor* Editor = nullptr;                       // a child
  VexDlgPushButton* Browser = nullptr;                  // a child
  VexStrObjectClassFrameNotif* Notification = nullptr;  // owned
};

// The state of an object's host class; the object must be of that class.
inline DialogState& DialogOf(const VexDialog& object) { return ClassState<DialogState>(object); }
inline DlgDialogState& DlgDialogOf(const VexDlgDialog& object) { return ClassState<DlgDialogState>(object); }
inline NotifyState& NotifyOf(const VexDlgNotify& object) { return ClassState<NotifyState>(object); }
inline EditorState& EditorOf(const VexDlgEditor& object) { return ClassState<EditorState>(object); }
inline ComboState& ComboOf(const VexDlgCombo& object) { return ClassState<ComboState>(object); }
inline ClassFrameState& ClassFrameOf(const VexStrObjectClassFrame& object) {
  return ClassState<ClassFrameState>(object);
}

}  // namespace vexhost::detail
