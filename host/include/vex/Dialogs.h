// The dialog toolkit: a tree of named widgets with titles, visibility, sensitivity and
// attachments.
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
#define VEX_ATTACHMENT_OPERATIONS                                                                 \
  template <class... Widgets>                                                                     \
  void SetVerticalAttachment(VexDlgAttachPosition position, VexDlgAttachment mode, Widgets... widgets) { \
    static_assert((std::is_convertible_v<Widgets, VexDialog*> && ...));                           \
    AttachWidgets("SetVerticalAttachment", position, mode, {static_cast<VexDialog*>(widgets)...}); \
  }                                                                                               \
  template <class... Widgets>                                                                     \
  void SetHorizontalAttachment(VexDlgAttachPosition position, VexDlgAttachment mode, Widgets... widgets) { \
    static_assert((std::is_convertible_v<Widgets, VexDialog*> && ...));                           \
    AttachWidgets("SetHorizontalAttachment", position, mode, {static_cast<VexDialog*>(widgets)...}); \
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

class VexDlgPushButton : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  VexDlgPushButton(VexDialog* parent, const VexString& name, VexDialogStyle style);
};

// An editor holds text in lines; line -1 stands for the whole text.
class VexDlgEditor : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  VexDlgEditor(VexDialog* parent, const VexString& name, VexDialogStyle style);

  void SetVisibleTextHeight(int lines);
  void SetVisibleTextWidth(int characters);
  // The most characters a person can type into the editor.
  void SetMaxCharacterWidth(int characters);
  // Replaces `text` with the line (or the whole text), also when the editor is empty.
  int GetLine(VexUnicodeString& text, int line);
  int SetLine(const VexUnicodeString& text, int line);
  void ClearLine(int line);
};

// A drop-down list of lines, one of which is shown.
class VexDlgCombo : public VexDialog {
  VEX_DECLARE_CLASS
 public:
  // Line argument: an index, or VexDlgComboAppend to add a line. Mode: VexDlgComboSelect also shows it.
  static constexpr int VexDlgComboAppend = 64;
  static constexpr unsigned int VexDlgComboSelect = 64;

  VexDlgCombo(VexDialog* parent, const VexString& name, VexDialogStyle style);
  int SetLine(const VexUnicodeString& text, int line, unsigned int mode);
};
