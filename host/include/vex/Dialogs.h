// The dialog toolkit: a tree of named widgets with titles, visibility, sensitivity and
// attachments.
//
// In this host:
// - Windows (dialogs and message boxes) are made hidden; widgets inside them are visible. A
//   window stays as it is when a person presses its OK or Cancel, closes it or acknowledges it:
//   the host only sends the notification, and the module hides the window (SetVisibility), or
//   hands it to delayed destruction.
// - An insensitive window or frame makes everything it holds unusable, and it is drawn greyed
//   out; a person can neither type, press nor close in an insensitive window.
// - A widget's title is the one set with SetTitle, else the text its name keys in the resource
//   files of the window that holds it (GetResourceFilename at level 0). A window's own title comes
//   from SetTitle alone: a module looks its text up with GetResourceValueFromKey and sets it. A
//   window or button with neither shows its name.
// - What a person can do, and what a module hears of it: a dialog's OK, Cancel and close box, and
//   a message box's OK, send the notifications below; their titles are the host's own and cannot
//   be set. Typing into an editor and choosing a class in an object-class frame (ObjectClassFrame.h)
//   are heard through the frame's notification; the frame's browser button opens its list. No
//   other push button sends anything a module can hear, a person cannot choose a combo's line, and
//   there is no check box, radio button or list.
// - The style is recorded and shown to tools, and changes nothing in the drawing.
// - Attachments lay a container's children out: the positions of horizontal attachments order
//   the rows and those of vertical ones the columns; widgets attached at one position share a
//   row (or a column), and a widget attached at several vertical positions spans the columns
//   between. A child no horizontal attachment names gets a row of its own after the others; one
//   no vertical attachment names stands in the first column. Without any attachment the
//   children stand in one row, in the order they were made. The mode is recorded and changes
//   nothing in the drawing. Hidden widgets take no room.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "vex/Command.h"

using VexDialogStyle = std::uint32_t;
using VexDlgAttachPosition = std::uint16_t;
using VexDlgAttachment = int;

// Visibility and sensitivity codes.
constexpr unsigned int VexDlgShow = 2;
constexpr unsigned int VexDlgHide = 4;
constexpr unsigned int VexDlgSensitive = 8;
constexpr unsigned int VexDlgInsensitive = 16;

class VexDialog : public VexCommand {
  VEX_DECLARE_CLASS
 public:
  VexDialog(VexDialog* parent, const VexString& name, VexDialogStyle style);
  // Destroys the children with their parent.
  ~VexDialog() override;

  const char* GetResourceFilename(int level) const override;

  void SetTitle(const VexUnicodeString& title);
  void SetVisibility(unsigned int code);
  void SetSensitivity(unsigned int code);
  // Looks the key up in the dialog's resource files; non-zero when found. Without a text the key
  // itself is left in `text`.
  int GetResourceValueFromKey(const VexString& key, VexUnicodeString& text, void* reserved);

 protected:
  // The attachment operations' common body: the widgets as written, null-ended.
  void AttachWidgets(const char* operation, VexDlgAttachPosition position, VexDlgAttachment mode,
                     std::initializer_list<VexDialog*> widgets);
};

// Attachment lists are written as in the host's variadic form, ended by a null; a null stops the
// list wherever it stands.
#define VEX_ATTACHMENT_OPERATIONS                                                                          \
  template <class... Widgets>                                                                              \
  void SetVerticalAttachment(VexDlgAttachPosition position, VexDlgAttachment mode, Widgets... widgets) {   \
    static_assert((std::is_convertible_v<Widgets, VexDialog*> && ...));                                    \
    AttachWidgets("SetVerticalAttachment", position, mode, {static_cast<VexDialog*>(widgets)...});         \
  }                                                                                                        \
  template <class... Widgets>                                                                              \
  void SetHorizontalAttachment(VexDlgAttachPosition position, VexDlgAttachment mode, Widgets... widgets) { \
    static_assert((std::is_convertible_v<Widgets, VexDialog*> && ...));                                    \
    AttachWidgets("SetHorizontalAttachment", position, mode, {static_cast<VexDialog*>(widgets)...});       \
  }

class VexDlgWindow : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  VexDlgWindow(VexDialog* parent, const VexString& name, VexDialogStyle style);
  ~VexDlgWindow() override;
  VEX_ATTACHMENT_OPERATIONS
};

// A dialog window with OK and Cancel buttons and a window-close box.
class VexDlgDialog : public VexDlgWindow {
  VEX_DECLARE_CLASS
 public:
  VexDlgDialog(VexDialog* parent, const VexString& name, VexDialogStyle style);
  ~VexDlgDialog() override;

  void SetOKSensitivity(unsigned int code);
  VexNotification* GetDiaOKNotification() const;
  VexNotification* GetDiaCANCELNotification() const;
  VexNotification* GetWindCloseNotification() const;
};

// A message box with an OK button.
class VexDlgNotify : public VexDlgWindow {
  VEX_DECLARE_CLASS
 public:
  VexDlgNotify(VexDialog* parent, const VexString& name, VexDialogStyle style);
  ~VexDlgNotify() override;

  void SetText(const VexUnicodeString& text);
  VexNotification* GetNfyOKNotification() const;
};

class VexDlgFrame : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  VexDlgFrame(VexDialog* parent, const VexString& name, VexDialogStyle style);
  VEX_ATTACHMENT_OPERATIONS
};

class VexDlgLabel : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  VexDlgLabel(VexDialog* parent, const VexString& name, VexDialogStyle style);
};

class VexDlgSeparator : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  VexDlgSeparator(VexDialog* parent, const VexString& name, VexDialogStyle style);
};

// A button drawn in a dialog: no notification of its press reaches a module (only the object-class
// frame's own browser button does something, and that inside the frame).
class VexDlgPushButton : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  VexDlgPushButton(VexDialog* parent, const VexString& name, VexDialogStyle style);
};

// An editor holds text in lines; line -1 stands for the whole text. GetLine and SetLine return 1
// when done, and 0 when the host refused the call (on a dead editor).
class VexDlgEditor : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  VexDlgEditor(VexDialog* parent, const VexString& name, VexDialogStyle style);

  void SetVisibleTextHeight(int lines);
  void SetVisibleTextWidth(int characters);
  // The most characters a person can type into the editor; SetLine is not held to it.
  void SetMaxCharacterWidth(int characters);
  // Replaces `text` with the line, or with the whole text (its lines joined by '\n'), also when
  // the editor is empty or the line is past the end: `text` is then empty.
  int GetLine(VexUnicodeString& text, int line);
  // Replaces the line, or the whole text with one line; a line past the end is added.
  int SetLine(const VexUnicodeString& text, int line);
  void ClearLine(int line);
};

// A drop-down list of lines, one of which is shown. The module writes it; this host offers no way
// to read it back, and a person cannot choose another line.
class VexDlgCombo : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  // Line argument: an index, or VexDlgComboAppend to add a line. Mode: VexDlgComboSelect also shows it.
  static constexpr int VexDlgComboAppend = 64;
  static constexpr unsigned int VexDlgComboSelect = 64;

  VexDlgCombo(VexDialog* parent, const VexString& name, VexDialogStyle style);
  int SetLine(const VexUnicodeString& text, int line, unsigned int mode);
};
