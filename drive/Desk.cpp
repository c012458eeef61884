#include "Desk.h"

#include <algorithm>
#include <stdexcept>

#include "Errors.h"
#include "ProductTree.h"
#include "Sight.h"
#include "Text.h"

namespace vexdrive {

namespace {

// Runs what the hands do, turning a refusal into the shell's own error.
template <class Action>
auto AsAPerson(Action&& action) {
  try {
    return action();
  } catch (const vexhost::Refused& refused) {
    throw ActionRefused(refused.what());
  }
}

std::string WindowState(const vexhost::WidgetView& window) {
  const std::string name = Printable(window.Name);
  const std::string greyed = window.Sensitive ? "" : " (greyed out)";
  if (IsMessageBox(window)) return name + " " + Quoted(window.Lines.front()) + greyed;
  if (!window.Sensitive) return name + greyed;
  if (window.HasOK) return name + " (OK " + (window.OKSensitive ? "on" : "off") + ")";
  return name;
}

// Script lines hold no control characters but the tab, which separates words; inside a text given
// to the host it would be a control character the document format refuses.
const std::string& HostText(const std::string& text) {
  if (text.find('\t') != std::string::npos) throw ActionRefused("a text holds a tab (write a blank instead)");
  return text;
}

}  // namespace

Desk::Desk(vexhost::Session& session)
    : _Session(session),
      _Hands(session),
      _ErrorsReported(session.Errors().size()),
      _Watch(session),
      _ReportedActive(vexhost::ActiveNames(session)) {}

void Desk::Start(const std::string& command) {
  const std::vector<std::string> registered = vexhost::Session::DictionaryNames();
  if (std::find(registered.begin(), registered.end(), command) == registered.end()) {
    throw ActionRefused("no command is registered as " + Echo(command) +
                        "; registered: " + Printable(Join(registered, ", ")));
  }
  _Session.StartCommand(command);
  _Started = command;
}

void Desk::MakeActive(const std::string& path) {
  std::vector<std::string> names;
  try {
    names = vexhost::SplitPath(path);
  } catch (const std::invalid_argument& malformed) {
    throw ActionRefused("the path " + Echo(path) + " " + malformed.what());
  }
  if (names.size() > vexhost::MaxProductDepth) {
    throw ActionRefused("the path " + Echo(path) + " names " + std::to_string(names.size()) +
                        " products: products nest at most " + std::to_string(vexhost::MaxProductDepth) + " deep");
  }
  try {
    _Session.SetActivePath(names);
  } catch (const std::invalid_argument& wrong) {
    throw ActionRefused("no product at " + Echo(path) + ": " + Printable(wrong.what()));
  }
}

void Desk::LeaveNoEditor() { _Session.RemoveEditor(); }

void Desk::ChooseClass(const Address& frame, const std::string& className) {
  AsAPerson([&] { _Hands.ChooseClass(frame.Dialog, frame.Widget, HostText(className)); });
}

BrowserOffer Desk::Browse(const Address& frame) {
  BrowserOffer offer;
  try {
    offer.Classes = _Hands.Browse(frame.Dialog, frame.Widget);
    offer.Available = true;
  } catch (const vexhost::Refused& refused) {
    // Without the dialog there is nothing to look at; with it, the browser may just be unavailable.
    const auto panel = See(frame.Dialog);
    if (!panel || !panel->Visible) throw ActionRefused(refused.what());
    offer.Reason = refused.what();
  }
  return offer;
}

void Desk::ChooseInBrowser(const Address& frame, const std::string& className) {
  AsAPerson([&] { _Hands.ChooseInBrowser(frame.Dialog, frame.Widget, HostText(className)); });
}

void Desk::Type(const Address& editor, const std::string& text) {
  AsAPerson([&] { _Hands.Type(editor.Dialog, editor.Widget, HostText(text)); });
}

template <class Action>
void Desk::Press(Action&& action) {
  const std::size_t before = _Session.GetJournal().Size();
  AsAPerson(action);
  _LastPress = std::make_pair(before, _Session.GetJournal().Size());
}

void Desk::PressOK(const std::string& dialog) {
  Press([&] { _Hands.PressOK(dialog); });
}

void Desk::PressCancel(const std::string& dialog) {
  Press([&] { _Hands.PressCancel(dialog); });
}

void Desk::CloseWindow(const std::string& dialog) {
  Press([&] { _Hands.CloseWindow(dialog); });
}

void Desk::Acknowledge(const std::string& dialog) {
  Press([&] { _Hands.Acknowledge(dialog); });
}

std::optional<bool> Desk::LastPressAnswered() const {
  if (!_LastPress) return std::nullopt;
  return _LastPress->second > _LastPress->first;
}

std::optional<vexhost::WidgetView> Desk::See(const std::string& dialog) const {
  VexDialog* found = _Session.FindDialog(dialog);
  if (found == nullptr) return std::nullopt;
  return vexhost::Snapshot(*found);
}

std::vector<vexhost::WidgetView> Desk::OpenWindows() const {
  std::vector<vexhost::WidgetView> windows;
  for (VexDialog* dialog : _Session.OpenDialogs()) windows.push_back(vexhost::Snapshot(*dialog));
  return windows;
}

Picture Desk::Draw() {
  std::vector<vexhost::WidgetView> shown;
  for (auto& window : OpenWindows()) {
    if (window.Visible) shown.push_back(std::move(window));
  }
  _LastDrawing = LayOut(shown);
  return *_LastDrawing;
}

vexhost::DocumentData Desk::Document() const { return _Session.DocumentView(); }

std::optional<vexhost::ProductSight> Desk::Product(const std::string& path) const {
  return vexhost::SeeProduct(_Session, vexhost::SplitPath(path));
}

std::vector<vexhost::ProductData> Desk::Children(const std::string& path) const {
  return vexhost::SeeChildren(_Session, vexhost::SplitPath(path));
}

bool Desk::Running() const { return _Session.RunningCommand() != nullptr; }

std::vector<std::string> Desk::Changes() {
  std::vector<std::string> changes = DescribeChanges(_Watch.Take());
  auto active = vexhost::ActiveNames(_Session);
  if (active != _ReportedActive) {
    changes.push_back(active ? "active product: " + PathText(*active) : "no current document editor");
    _ReportedActive = std::move(active);
  }
  const auto& errors = _Session.Errors();
  for (; _ErrorsReported < errors.size(); ++_ErrorsReported) {
    const vexhost::CaughtError& error = errors[_ErrorsReported];
    const std::string where = error.Escaped ? "escaped from " + error.Where + " to the host" : "caught";
    changes.push_back("host error " + where + ": " + error.Kind + " " + Quoted(error.Message));
  }
  return changes;
}

std::string Desk::State() const {
  std::vector<std::string> shown;
  for (const auto& window : OpenWindows()) {
    if (window.Visible) shown.push_back(WindowState(window));
  }
  std::string state =
      Running() ? "running: " + (_Started.empty() ? std::string("yes") : Printable(_Started)) : "running: no";
  return state + "; shown: " + (shown.empty() ? "nothing" : Join(shown, ", "));
}

std::optional<std::string> Desk::EndRun() {
  if (!Running()) return std::nullopt;
  _Session.CancelRunningCommand();
  return "the running command " + Printable(_Started) + " was cancelled and destroyed";
}

std::optional<std::string> Desk::Reactivate() {
  if (!Running()) return std::nullopt;
  _Session.ReactivateRunningCommand();
  return "the running command " + Printable(_Started) + " was desactivated and activated again";
}

std::string Desk::Reopen() {
  const bool running = Running();
  if (!_Session.ReopenDocument()) throw ActionRefused("no document is open");
  const std::string reopened = "the document was closed and opened again as it was opened";
  return running ? "the running command " + Printable(_Started) + " was cancelled; " + reopened : reopened;
}

}  // namespace vexdrive
