// A user's hands on the open dialogs.
#include "vexhost/Hands.h"

#include <algorithm>

#include "SessionState.h"

namespace vexhost {

using namespace detail;

namespace {

VexDialog* FindChild(VexDialog& parent, const std::string& name) {
  for (VexDialog* child : Inspect::Children(parent)) {
    if (name == child->GetName().CastToCharPtr()) return child;
    if (VexDialog* found = FindChild(*child, name)) return found;
  }
  return nullptr;
}

// A person can only reach a widget that is shown, in a window that is shown.
bool Reachable(VexDialog& widget) {
  for (VexDialog* current = &widget; current != nullptr; current = Inspect::Parent(*current)) {
    if (Inspect::Visibility(*current) != VexDlgShow) return false;
  }
  return true;
}

VexDialog& ShownWindow(Session& session, const std::string& name) {
  VexDialog* dialog = session.FindDialog(name);
  if (dialog == nullptr) throw Refused("no dialog named '" + name + "' is open");
  if (Inspect::Visibility(*dialog) != VexDlgShow) throw Refused("the dialog '" + name + "' is not shown");
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
  if (Inspect::Sensitivity(*widget) != VexDlgSensitive) {
    throw Refused("the " + std::string(what) + " '" + name + "' is insensitive");
  }
  return *widget;
}

VexDlgPushButton& BrowserButton(const std::string& dialog, VexStrObjectClassFrame& frame) {
  VexDlgPushButton* button = Inspect::BrowserButton(frame);
  if (button == nullptr) throw Refused("the class frame of '" + dialog + "' has no browser button");
  if (!Reachable(*button) || Inspect::Sensitivity(*button) != VexDlgSensitive) {
    throw Refused("the class browser is not available");
  }
  return *button;
}

void Choose(Session& session, VexStrObjectClassFrame& frame, const std::string& className) {
  Inspect::SelectedClass(frame) = className.c_str();
  if (VexDlgEditor* editor = Inspect::Editor(frame)) Inspect::Lines(*editor).assign(1, VexUnicodeString(className.c_str()));
  session.Send(&frame, Inspect::Notification(frame));
}

}  // namespace

void Hands::PressOK(const std::string& dialog) {
  VexDlgDialog& window = ShownDialog(_Session, dialog);
  if (Inspect::OKSensitivity(window) != VexDlgSensitive) throw Refused("OK of '" + dialog + "' is insensitive");
  _Session.Send(&window, Inspect::OK(window));
}

void Hands::PressCancel(const std::string& dialog) {
  VexDlgDialog& window = ShownDialog(_Session, dialog);
  _Session.Send(&window, Inspect::CancelNotification(window));
}

void Hands::CloseWindow(const std::string& dialog) {
  VexDlgDialog& window = ShownDialog(_Session, dialog);
  _Session.Send(&window, Inspect::Close(window));
}

void Hands::Acknowledge(const std::string& dialog) {
  auto* box = dynamic_cast<VexDlgNotify*>(&ShownWindow(_Session, dialog));
  if (box == nullptr) throw Refused("'" + dialog + "' is not a message box");
  _Session.Send(box, Inspect::OK(*box));
}

void Hands::ChooseClass(const std::string& dialog, const std::string& frame, const std::string& className) {
  auto& classFrame = ReachableWidget<VexStrObjectClassFrame>(_Session, dialog, frame, "class frame");
  Choose(_Session, classFrame, className);
}

std::vector<std::string> Hands::Browse(const std::string& dialog, const std::string& frame) {
  auto& classFrame = ReachableWidget<VexStrObjectClassFrame>(_Session, dialog, frame, "class frame");
  BrowserButton(dialog, classFrame);
  return _Session.ClassCatalogue();
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
  // An editor with a maximum width takes no more characters than that.
  const int limit = Inspect::MaxCharacterWidth(field);
  const int length = VexUnicodeString(text.c_str()).GetLengthInChar();
  if (limit > 0 && length > limit) {
    throw Refused("the editor '" + editor + "' takes at most " + std::to_string(limit) + " characters, not " +
                  std::to_string(length));
  }
  if (text.find('\0') != std::string::npos) throw Refused("a text typed into an editor holds no NUL character");
  // Typing replaces the whole text; an empty text leaves the editor empty.
  if (text.empty()) {
    Inspect::Lines(field).clear();
  } else {
    Inspect::Lines(field).assign(1, VexUnicodeString(text.c_str()));
  }
}

}  // namespace vexhost
