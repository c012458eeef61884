// The dialog toolkit.
#include <algorithm>
#include <cstdio>

#include "HostState.h"
#include "Meta.h"
#include "SessionState.h"

using namespace vexhost::detail;
using vexhost::Inspect;

namespace vexhost::detail {
const char* ResourceFileOfClass(const VexMetaClass& meta, int level);
}

VEX_DEFINE_CLASS(VexDialog, VexCommand)
VEX_DEFINE_CLASS(VexDlgWindow, VexDialog)
VEX_DEFINE_CLASS(VexDlgDialog, VexDlgWindow)
VEX_DEFINE_CLASS(VexDlgNotify, VexDlgWindow)
VEX_DEFINE_CLASS(VexDlgFrame, VexDialog)
VEX_DEFINE_CLASS(VexDlgLabel, VexDialog)
VEX_DEFINE_CLASS(VexDlgSeparator, VexDialog)
VEX_DEFINE_CLASS(VexDlgPushButton, VexDialog)
VEX_DEFINE_CLASS(VexDlgEditor, VexDialog)
VEX_DEFINE_CLASS(VexDlgCombo, VexDialog)
VEX_DEFINE_CLASS(VexStrErrorBox, VexDlgNotify)

namespace {
std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

VexNotification* NewNotification(const std::string& name) {
  auto* notification = MakeInternal<VexNotification>();
  SetObjectName(notification, name);
  return notification;
}
}  // namespace

VexDialog::VexDialog(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexCommand(name), _Parent(parent), _Style(style) {
  BoundaryConstruct("VexDialog", this, {Describe(parent), Quote(name.CastToCharPtr()), Hex(style)});
  if (_Parent != nullptr) _Parent->_Children.push_back(this);
}

VexDialog::~VexDialog() {
  InternalScope internal;
  std::vector<VexDialog*> children;
  children.swap(_Children);
  for (VexDialog* child : children) {
    child->_Parent = nullptr;
    delete child;
  }
  if (_Parent != nullptr) std::erase(_Parent->_Children, this);
}

const char* VexDialog::GetResourceFilename(int level) const {
  return ResourceFileOfClass(VexDialog::MetaClass(), level < 0 ? 0 : level);
}

void VexDialog::SetTitle(const VexUnicodeString& title) {
  Boundary("SetTitle", this, {Quote(title.CastToCharPtr())});
  _Title = title;
}

void VexDialog::SetVisibility(unsigned int code) {
  Boundary("SetVisibility", this, {Code(code)});
  if (code == VexDlgShow || code == VexDlgHide) _Visibility = code;
}

void VexDialog::SetSensitivity(unsigned int code) {
  Boundary("SetSensitivity", this, {Code(code)});
  if (code == VexDlgSensitive || code == VexDlgInsensitive) _Sensitivity = code;
}

int VexDialog::GetResourceValueFromKey(const VexString& key, VexUnicodeString& text, void*) {
  Boundary("GetResourceValueFromKey", this, {Quote(key.CastToCharPtr())});
  // The dialog's own file first, then those of its base classes; a level past the root is null.
  constexpr int deepestLevel = 16;
  for (int level = 0; level < deepestLevel; ++level) {
    const std::size_t entry = IntoModule("GetResourceFilename", this, {Code(level)});
    const char* file = nullptr;
    {
      ModuleScope module;
      file = GetResourceFilename(level);
    }
    Host().TheJournal.SetResult(entry, file != nullptr ? Quote(file) : "null");
    if (file == nullptr) break;
    std::string found;
    if (LookUpResource(file, key.CastToCharPtr(), found)) {
      text = found.c_str();
      return 1;
    }
  }
  // A key without text leaves the key itself, so a missing text shows as its key.
  text = key.CastToCharPtr();
  return 0;
}

void VexDialog::RecordAttachment(const char* operation, VexDlgAttachPosition position, VexDlgAttachment mode,
                                 std::initializer_list<VexDialog*> widgets) {
  std::vector<std::string> args{Code(position), Code(mode)};
  for (VexDialog* widget : widgets) args.push_back(Describe(widget));
  Boundary(operation, this, std::move(args));
  Attachment attachment{operation, position, mode, {}};
  // As in the variadic form, the list ends at the first null.
  for (VexDialog* widget : widgets) {
    if (widget == nullptr) break;
    attachment.Widgets.push_back(widget);
  }
  _Attachments.push_back(std::move(attachment));
}

VexDlgWindow::VexDlgWindow(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  ConstructedAs(this, "VexDlgWindow");
  // A window stays hidden until it is shown.
  Inspect::Visibility(*this) = VexDlgHide;
}
VexDlgWindow::~VexDlgWindow() = default;

VexDlgDialog::VexDlgDialog(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDlgWindow(parent, name, style) {
  ConstructedAs(this, "VexDlgDialog");
  const std::string base = name.CastToCharPtr();
  _OKNotification = NewNotification(base + ".OK");
  _CancelNotification = NewNotification(base + ".Cancel");
  _CloseNotification = NewNotification(base + ".WindowClose");
  // The dialog's own handling of its buttons, which a dialog subclass may drop.
  for (VexNotification* notification : {_OKNotification, _CancelNotification, _CloseNotification}) {
    Inspect::AnalyseCallbacks(*this).push_back({this, notification});
  }
}

VexDlgDialog::~VexDlgDialog() {
  InternalScope internal;
  delete _OKNotification;
  delete _CancelNotification;
  delete _CloseNotification;
}

void VexDlgDialog::SetOKSensitivity(unsigned int code) {
  Boundary("SetOKSensitivity", this, {Code(code)});
  if (code == VexDlgSensitive || code == VexDlgInsensitive) _OKSensitivity = code;
}

VexNotification* VexDlgDialog::GetDiaOKNotification() const {
  Boundary("GetDiaOKNotification", this);
  return _OKNotification;
}
VexNotification* VexDlgDialog::GetDiaCANCELNotification() const {
  Boundary("GetDiaCANCELNotification", this);
  return _CancelNotification;
}
VexNotification* VexDlgDialog::GetWindCloseNotification() const {
  Boundary("GetWindCloseNotification", this);
  return _CloseNotification;
}

VexDlgNotify::VexDlgNotify(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDlgWindow(parent, name, style) {
  ConstructedAs(this, "VexDlgNotify");
  _OKNotification = NewNotification(std::string(name.CastToCharPtr()) + ".OK");
}

VexDlgNotify::~VexDlgNotify() {
  InternalScope internal;
  delete _OKNotification;
}

void VexDlgNotify::SetText(const VexUnicodeString& text) {
  Boundary("SetText", this, {Quote(text.CastToCharPtr())});
  _Text = text;
}

VexNotification* VexDlgNotify::GetNfyOKNotification() const {
  Boundary("GetNfyOKNotification", this);
  return _OKNotification;
}

VexStrErrorBox::VexStrErrorBox(const VexString& name) : VexDlgNotify(nullptr, name, 0) {
  ConstructedAs(this, "VexStrErrorBox", {Quote(name.CastToCharPtr())});
}

VexDlgFrame::VexDlgFrame(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  ConstructedAs(this, "VexDlgFrame");
}

VexDlgLabel::VexDlgLabel(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  ConstructedAs(this, "VexDlgLabel");
}

VexDlgSeparator::VexDlgSeparator(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  ConstructedAs(this, "VexDlgSeparator");
}

VexDlgPushButton::VexDlgPushButton(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  ConstructedAs(this, "VexDlgPushButton");
}

VexDlgEditor::VexDlgEditor(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  ConstructedAs(this, "VexDlgEditor");
}

void VexDlgEditor::SetVisibleTextHeight(int lines) {
  Boundary("SetVisibleTextHeight", this, {Code(lines)});
  _VisibleTextHeight = lines;
}

void VexDlgEditor::SetVisibleTextWidth(int characters) {
  Boundary("SetVisibleTextWidth", this, {Code(characters)});
  _VisibleTextWidth = characters;
}

void VexDlgEditor::SetMaxCharacterWidth(int characters) {
  Boundary("SetMaxCharacterWidth", this, {Code(characters)});
  _MaxCharacterWidth = characters;
}

int VexDlgEditor::GetLine(VexUnicodeString& text, int line) {
  Boundary("GetLine", this, {Code(line)});
  std::string content;
  if (line < 0) {
    for (std::size_t i = 0; i < _Lines.size(); ++i) {
      if (i > 0) content += '\n';
      content += _Lines[i].CastToCharPtr();
    }
  } else if (static_cast<std::size_t>(line) < _Lines.size()) {
    content = _Lines[static_cast<std::size_t>(line)].CastToCharPtr();
  }
  text = content.c_str();
  return 1;
}

int VexDlgEditor::SetLine(const VexUnicodeString& text, int line) {
  Boundary("SetLine", this, {Quote(text.CastToCharPtr()), Code(line)});
  if (line < 0) {
    _Lines.assign(1, text);
  } else if (static_cast<std::size_t>(line) < _Lines.size()) {
    _Lines[static_cast<std::size_t>(line)] = text;
  } else {
    _Lines.push_back(text);
  }
  return 1;
}

void VexDlgEditor::ClearLine(int line) {
  Boundary("ClearLine", this, {Code(line)});
  if (line < 0) {
    _Lines.clear();
  } else if (static_cast<std::size_t>(line) < _Lines.size()) {
    _Lines.erase(_Lines.begin() + line);
  }
}

VexDlgCombo::VexDlgCombo(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  ConstructedAs(this, "VexDlgCombo");
}

int VexDlgCombo::SetLine(const VexUnicodeString& text, int line, unsigned int mode) {
  Boundary("SetLine", this, {Quote(text.CastToCharPtr()), Code(line), Code(mode)});
  std::size_t index = 0;
  if (line == VexDlgComboAppend || line < 0 || static_cast<std::size_t>(line) >= _Lines.size()) {
    _Lines.push_back(text);
    index = _Lines.size() - 1;
  } else {
    index = static_cast<std::size_t>(line);
    _Lines[index] = text;
  }
  if ((mode & VexDlgComboSelect) != 0) _Shown = static_cast<int>(index);
  return 1;
}
