// A user's hands on the open dialogs.
#include "vexhost/Hands.h"

#include <algorithm>

#include "dialogs/Dialogs.h"
#include "vex/Dialogs.h"
#include "vex/ObjectClassFrame.h"
#include "vexhost/Session.h"

namespace vexhost {

using namespace detail;

namespace {

// A person can only reach a widget that is shown, in a window that is shown.
bool Reachable(VexDialog& widget) {
  for (VexDialog* current = &widget; current != nullptr; current = DialogOf(*current).Parent) {
    if (DialogOf(*current).Visibility != VexDlgShow) return false;
  }
  return true;
}

void FindNamed(VexDialog& parent, const std::string& name, std::vector<VexDialog*>& found) {
  for (VexDialog* child : DialogOf(parent).Children) {
    if (name == child->GetName().CastToCharPtr()) found.push_back(child);
    FindNamed(*child, name, found);
  }
}

// The widget of that name a person would take: the first one shown, since a hidden widget may
// share its name; else the first of that name, so that a refusal can say why it cannot be used.
VexDialog* FindChild(VexDialog& parent, const std::string& name) {
  std::vector<VexDialog*> found;
  FindNamed(parent, name, found);
  const auto shown = std::find_if(found.begin(), found.end(), [](VexDialog* widget) { return Reachable(*widget); });
  if (shown != found.end()) return *shown;
  return found.empty() ? nullptr : found.front();
}

bool SensitiveItself(VexDialog& widget) { return DialogOf(widget).Sensitivity == VexDlgSensitive; }

// The container up to the widget's window (the window included) that greys it out, or null: an
// insensitive window or frame makes everything it holds unusable. A window's own parent does not:
// a dialog stays usable over a main window it made insensitive.
VexDialog* GreyingContainer(VexDialog& widget) {
  for (VexDialog* current = DialogOf(widget).Parent; current != nullptr; current = DialogOf(*current).Parent) {
    if (!SensitiveItself(*current)) return current;
    if (dynamic_cast<VexDlgWindow*>(current) != nullptr) break;
  }
  return nullptr;
}

// Throws when a person could not use the widget: it, or a container that holds it, is insensitive.
void CheckSensitive(VexDialog& widget, const std::string& what) {
  const std::string name = widget.GetName().CastToCharPtr();
  if (!SensitiveItself(widget)) throw Refused("the " + what + " '" + name + "' is insensitive");
  if (VexDialog* greying = GreyingContainer(widget)) {
    throw Refused("the " + what + " '" + name + "' is greyed out: '" + greying->GetName().CastToCharPtr() +
                  "', which holds it, is insensitive");
  }
}

bool Sensitive(VexDialog& widget) { return SensitiveItself(widget) && GreyingContainer(widget) == nullptr; }

VexDialog& ShownWindow(Session& session, const std::string& name) {
  VexDialog* dialog = session.FindDialog(name);
  if (dialog == nullptr) throw Refused("no dialog named '" + name + "' is open");
  if (DialogOf(*dialog).Visibility != VexDlgShow) throw Refused("the dialog '" + name + "' is not shown");
  // An insensitive window takes no presses, no typing and no closing.
  if (!SensitiveItself(*dialog)) throw Refused("the dialog '" + name + "' is insensitive");
  return *dialog;
}

VexDlgDialog& ShownDialog(Session& session, const std::string& name) {
  auto* dialog = dynamic_cast<VexDlgDialog*>(&ShownWindow(session, name));
  if (dialog == nullptr) throw Refused("'" + name + "' has no OK and Cancel buttons");
  return *dialog;
}

template <class Widget>
Widget& ReachableWidget(Session& session, const std::string& dialog, const std::string& name, const char* what) {
  VexDialog& window = ShownWindow(session, dialog);
  auto* widget = dynamic_cast<Widget*>(FindChild(window, name));
  if (widget == nullptr) throw Refused("'" + dialog + "' has no " + what + " named '" + name + "'");
  if (!Reachable(*widget)) throw Refused("the " + std::string(what) + " '" + name + "' is not shown");
  CheckSensitive(*widget, what);
  return *widget;
}

void OpenBrowser(const std::string& dialog, VexStrObjectClassFrame& frame) {
  VexDlgPushButton* button = ClassFrameOf(frame).Browser;
  if (button == nullptr) throw Refused("the class frame of '" + dialog + "' has no browser button");
  if (!Reachable(*button) || !Sensitive(*button)) throw Refused("the class browser is not available");
}

// An editor takes no more characters than its maximum width, and no NUL.
void CheckTypable(const VexDlgEditor& editor, const std::string& text) {
  const int limit = EditorOf(editor).MaxCharacterWidth;
  const int length = VexUnicodeString(text.c_str()).GetLengthInChar();
  const std::string name = editor.GetName().CastToCharPtr();
  if (limit > 0 && length > limit) {
    throw Refused("the editor '" + name + "' takes at most " + std::to_string(limit) + " characters, not " +
                  std::to_string(length));
  }
  if (text.find('\0') != std::string::npos) throw Refused("a text typed into an editor holds no NUL character");
}

void Choose(Session& session, VexStrObjectClassFrame& frame, const std::string& className) {
  ClassFrameState& state = ClassFrameOf(frame);
  state.Selected = className.c_str();
  if (state.Editor != nullptr) EditorOf(*state.Editor).Lines.assign(1, VexUnicodeString(className.c_str()));
  session.Send(&frame, state.Notification);
}

}  // namespace

void Hands::PressOK(const std::string& dialog) {
  VexDlgDialog& window = ShownDialog(_Session, dialog);
  if (DlgDialogOf(window).OKSensitivity != VexDlgSensitive) throw Refused("OK of '" + dialog + "' is insensitive");
  _Session.Send(&window, DlgDialogOf(window).OK);
}

void Hands::PressCancel(const std::string& dialog) {
  VexDlgDialog& window = ShownDialog(_Session, dialog);
  _Session.Send(&window, DlgDialogOf(window).Cancel);
}

void Hands::CloseWindow(const std::string& dialog) {
  VexDlgDialog& window = ShownDialog(_Session, dialog);
  _Session.Send(&window, DlgDialogOf(window).Close);
}

void Hands::Acknowledge(const std::string& dialog) {
  auto* box = dynamic_cast<VexDlgNotify*>(&ShownWindow(_Session, dialog));
  if (box == nullptr) throw Refused("'" + dialog + "' is not a message box");
  _Session.Send(box, NotifyOf(*box).OK);
}

void Hands::ChooseClass(const std::string& dialog, const std::string& frame, const std::string& className) {
  auto& classFrame = ReachableWidget<VexStrObjectClassFrame>(_Session, dialog, frame, "class frame");
  VexDlgEditor* editor = ClassFrameOf(classFrame).Editor;
  if (editor == nullptr || !Reachable(*editor) || !Sensitive(*editor)) {
    throw Refused("the class frame '" + frame + "' has no editor to type a class into");
  }
  // A person may type any class; the factory decides at creation whether its family holds it.
  CheckTypable(*editor, className);
  Choose(_Session, classFrame, className);
}

std::vector<std::string> Hands::Browse(const std::string& dialog, const std::string& frame) {
  auto& classFrame = ReachableWidget<VexStrObjectClassFrame>(_Session, dialog, frame, "class frame");
  OpenBrowser(dialog, classFrame);
  return _Session.ClassesOfFamily(ClassFrameOf(classFrame).Family);
}

void Hands::ChooseInBrowser(const std::string& dialog, const std::string& frame, const std::string& className) {
  const std::vector<std::string> offered = Browse(dialog, frame);
  if (std::find(offered.begin(), offered.end(), className) == offered.end()) {
    throw Refused("the class browser does not offer '" + className + "'");
  }
  Choose(_Session, *dynamic_cast<VexStrObjectClassFrame*>(FindChild(*_Session.FindDialog(dialog), frame)), className);
}

void Hands::Type(const std::string& dialog, const std::string& editor, const std::string& text) {
  auto& field = ReachableWidget<VexDlgEditor>(_Session, dialog, editor, "editor");
  CheckTypable(field, text);
  // Typing replaces the whole text; an empty text leaves the editor empty.
  auto& lines = EditorOf(field).Lines;
  if (text.empty()) {
    lines.clear();
  } else {
    lines.assign(1, VexUnicodeString(text.c_str()));
  }
}

}  // namespace vexhost
