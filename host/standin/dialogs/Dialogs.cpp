// The dialog toolkit.
#include "vex/Dialogs.h"

#include <algorithm>
#include <cstdio>

#include "Dialogs.h"
#include "Frame.h"
#include "Resources.h"
#include "engine/Commands.h"
#include "gate/Gate.h"
#include "records/Meta.h"
#include "records/Objects.h"
#include "session/SessionState.h"
#include "vex/ErrorBox.h"

using namespace vexhost::detail;

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

// A dialog at the top of the tree: a window of its own, or a child of the main window.
bool AtTheTop(const FrameState& frame, const VexDialog* parent) {
  return parent == nullptr || parent == frame.MainWindow;
}
}  // namespace

VexDialog::VexDialog(VexDialog* parent, const VexString& name, VexDialogStyle style) : VexCommand(name) {
  auto& state = GetImpl()->ClassStates.Add<DialogState>();
  state.Parent = parent;
  state.Style = style;
  BoundaryConstruct("VexDialog", this, {Describe(parent), Quote(name.CastToCharPtr()), Hex(style)});
  if (parent != nullptr) DialogOf(*parent).Children.push_back(this);
  if (vexhost::Session::State* session = OpenSession(); session != nullptr && AtTheTop(FrameOf(*session), parent)) {
    FrameOf(*session).TopDialogs.push_back(this);
  }
}

VexDialog::~VexDialog() {
  InternalScope internal;
  DialogState& state = DialogOf(*this);
  std::vector<VexDialog*> children;
  children.swap(state.Children);
  for (VexDialog* child : children) {
    DialogOf(*child).Parent = nullptr;
    DestroyObject(child);
  }
  if (state.Parent != nullptr) {
    DialogState& parent = DialogOf(*state.Parent);
    std::erase(parent.Children, this);
    // The parent's attachments no longer name what is gone.
    for (auto& attachment : parent.Attachments) std::erase(attachment.Widgets, this);
  }
  if (vexhost::Session::State* session = OpenSession()) std::erase(FrameOf(*session).TopDialogs, this);
}

const char* VexDialog::GetResourceFilename(int level) const {
  return ResourceFileOfClass(VexDialog::MetaClass(), level < 0 ? 0 : level);
}

void VexDialog::SetTitle(const VexUnicodeString& title) {
  if (!Gate("SetTitle", this, {Quote(title.CastToCharPtr())})) return;
  CheckText("SetTitle", this, title);
  DialogOf(*this).Title = title;
}

void VexDialog::SetVisibility(unsigned int code) {
  if (!Gate("SetVisibility", this, {Code(code)})) return;
  if (code == VexDlgShow || code == VexDlgHide) DialogOf(*this).Visibility = code;
}

void VexDialog::SetSensitivity(unsigned int code) {
  if (!Gate("SetSensitivity", this, {Code(code)})) return;
  if (code == VexDlgSensitive || code == VexDlgInsensitive) DialogOf(*this).Sensitivity = code;
}

int VexDialog::GetResourceValueFromKey(const VexString& key, VexUnicodeString& text, void*) {
  BoundaryCall call("GetResourceValueFromKey", this, {Quote(key.CastToCharPtr())});
  if (call.Refused()) return 0;
  // A planned 0 finds no text, as a resource file without the key would.
  const bool missing = call.PlannedStatus().has_value();
  // The dialog's own file first, then those of its base classes; a level past the root is null.
  constexpr int deepestLevel = 16;
  for (int level = 0; level < deepestLevel && !missing; ++level) {
    const std::size_t entry = IntoModule("GetResourceFilename", this, {Code(level)});
    const char* file = nullptr;
    {
      ModuleScope module;
      file = GetResourceFilename(level);
    }
    ModuleReturned(entry, file != nullptr ? Quote(file) : "null");
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

void VexDialog::AttachWidgets(const char* operation, VexDlgAttachPosition position, VexDlgAttachment mode,
                              std::initializer_list<VexDialog*> widgets) {
  std::vector<std::string> args{Code(position), Code(mode)};
  for (VexDialog* widget : widgets) args.push_back(Describe(widget));
  if (!Gate(operation, this, std::move(args))) return;
  AttachmentRecord attachment{operation, position, mode, {}};
  // As in the variadic form, the list ends at the first null.
  for (VexDialog* widget : widgets) {
    if (widget == nullptr) break;
    attachment.Widgets.push_back(widget);
  }
  DialogOf(*this).Attachments.push_back(std::move(attachment));
}

VexDlgWindow::VexDlgWindow(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  ConstructedAs(this, "VexDlgWindow");
  // A window stays hidden until it is shown.
  DialogOf(*this).Visibility = VexDlgHide;
}
VexDlgWindow::~VexDlgWindow() = default;

VexDlgDialog::VexDlgDialog(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDlgWindow(parent, name, style) {
  ConstructedAs(this, "VexDlgDialog");
  const std::string base = name.CastToCharPtr();
  auto& state = GetImpl()->ClassStates.Add<DlgDialogState>();
  state.OK = NewNotification(base + ".OK");
  state.Cancel = NewNotification(base + ".Cancel");
  state.Close = NewNotification(base + ".WindowClose");
}

VexDlgDialog::~VexDlgDialog() {
  InternalScope internal;
  DlgDialogState& state = DlgDialogOf(*this);
  delete state.OK;
  delete state.Cancel;
  delete state.Close;
}

void VexDlgDialog::SetOKSensitivity(unsigned int code) {
  if (!Gate("SetOKSensitivity", this, {Code(code)})) return;
  if (code == VexDlgSensitive || code == VexDlgInsensitive) DlgDialogOf(*this).OKSensitivity = code;
}

VexNotification* VexDlgDialog::GetDiaOKNotification() const {
  if (!Gate("GetDiaOKNotification", this)) return nullptr;
  return DlgDialogOf(*this).OK;
}
VexNotification* VexDlgDialog::GetDiaCANCELNotification() const {
  if (!Gate("GetDiaCANCELNotification", this)) return nullptr;
  return DlgDialogOf(*this).Cancel;
}
VexNotification* VexDlgDialog::GetWindCloseNotification() const {
  if (!Gate("GetWindCloseNotification", this)) return nullptr;
  return DlgDialogOf(*this).Close;
}

VexDlgNotify::VexDlgNotify(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDlgWindow(parent, name, style) {
  ConstructedAs(this, "VexDlgNotify");
  auto& state = GetImpl()->ClassStates.Add<NotifyState>();
  state.OK = NewNotification(std::string(name.CastToCharPtr()) + ".OK");
}

VexDlgNotify::~VexDlgNotify() {
  InternalScope internal;
  delete NotifyOf(*this).OK;
}

void VexDlgNotify::SetText(const VexUnicodeString& text) {
  if (!Gate("SetText", this, {Quote(text.CastToCharPtr())})) return;
  CheckText("SetText", this, text);
  NotifyOf(*this).Text = text;
}

VexNotification* VexDlgNotify::GetNfyOKNotification() const {
  if (!Gate("GetNfyOKNotification", this)) return nullptr;
  return NotifyOf(*this).OK;
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
  GetImpl()->ClassStates.Add<EditorState>();
  ConstructedAs(this, "VexDlgEditor");
}

void VexDlgEditor::SetVisibleTextHeight(int lines) {
  if (!Gate("SetVisibleTextHeight", this, {Code(lines)})) return;
  EditorOf(*this).VisibleTextHeight = lines;
}

void VexDlgEditor::SetVisibleTextWidth(int characters) {
  if (!Gate("SetVisibleTextWidth", this, {Code(characters)})) return;
  EditorOf(*this).VisibleTextWidth = characters;
}

void VexDlgEditor::SetMaxCharacterWidth(int characters) {
  if (!Gate("SetMaxCharacterWidth", this, {Code(characters)})) return;
  EditorOf(*this).MaxCharacterWidth = characters;
}

int VexDlgEditor::GetLine(VexUnicodeString& text, int line) {
  BoundaryCall call("GetLine", this, {Code(line), "text=" + Quote(text.CastToCharPtr())}, true);
  if (call.Refused()) return 0;
  const auto& lines = EditorOf(*this).Lines;
  std::string content;
  if (line < 0) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) content += '\n';
      content += lines[i].CastToCharPtr();
    }
  } else if (static_cast<std::size_t>(line) < lines.size()) {
    content = lines[static_cast<std::size_t>(line)].CastToCharPtr();
  }
  text = content.c_str();
  call.Return("1", {"text=" + Quote(content)});
  return 1;
}

int VexDlgEditor::SetLine(const VexUnicodeString& text, int line) {
  if (!Gate("SetLine", this, {Quote(text.CastToCharPtr()), Code(line)})) return 0;
  CheckText("SetLine", this, text);
  auto& lines = EditorOf(*this).Lines;
  if (line < 0) {
    lines.assign(1, text);
  } else if (static_cast<std::size_t>(line) < lines.size()) {
    lines[static_cast<std::size_t>(line)] = text;
  } else {
    lines.push_back(text);
  }
  return 1;
}

void VexDlgEditor::ClearLine(int line) {
  if (!Gate("ClearLine", this, {Code(line)})) return;
  auto& lines = EditorOf(*this).Lines;
  if (line < 0) {
    lines.clear();
  } else if (static_cast<std::size_t>(line) < lines.size()) {
    lines.erase(lines.begin() + line);
  }
}

VexDlgCombo::VexDlgCombo(VexDialog* parent, const VexString& name, VexDialogStyle style)
    : VexDialog(parent, name, style) {
  GetImpl()->ClassStates.Add<ComboState>();
  ConstructedAs(this, "VexDlgCombo");
}

int VexDlgCombo::SetLine(const VexUnicodeString& text, int line, unsigned int mode) {
  if (!Gate("SetLine", this, {Quote(text.CastToCharPtr()), Code(line), Code(mode)})) return 0;
  CheckText("SetLine", this, text);
  ComboState& state = ComboOf(*this);
  std::size_t index = 0;
  if (line == VexDlgComboAppend || line < 0 || static_cast<std::size_t>(line) >= state.Lines.size()) {
    state.Lines.push_back(text);
    index = state.Lines.size() - 1;
  } else {
    index = static_cast<std::size_t>(line);
    state.Lines[index] = text;
  }
  if ((mode & VexDlgComboSelect) != 0) state.Shown = static_cast<int>(index);
  return 1;
}
