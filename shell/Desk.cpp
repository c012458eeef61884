#include "Desk.h"

#include <stdexcept>

#include "Errors.h"
#include "Names.h"
#include "ProductTree.h"
#include "Text.h"

namespace vexshell {

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

// A snapshot gives a message box its text as its one line; a dialog with OK and Cancel has none.
bool IsMessageBox(const vexhost::WidgetView& window) { return window.HasOK && !window.Lines.empty(); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string WindowState(const vexhost::WidgetView& window) {
  if (IsMessageBox(window)) return window.Name + " " + Quoted(window.Lines.front());
  if (window.HasOK) return window.Name + " (OK " + (window.OKSensitive ? "on" : "off") + ")";
  return window.Name;
}

}  // namespace

Desk::Desk(vexhost::Session& session)
    : _Session(session), _Hands(session), _ErrorsReported(session.Errors().size()), _Reported(session.DocumentView()) {}

void Desk::Start(const std::string& command) {
  try {
    _Session.StartCommand(command);
  } catch (const std::invalid_argument& unknown) {
    throw ActionRefused(std::string(unknown.what()) + "; registered: " + Join(vexhost::Session::DictionaryNames(), ", "));
  }
  _Started = command;
}

void Desk::MakeActive(const std::string& path) {
  try {
    _Session.SetActivePath(vexhost::SplitPath(path));
  } catch (const std::invalid_argument& wrong) {
    throw ActionRefused(std::string("no product at \"") + path + "\": " + wrong.what());
  }
}

void Desk::LeaveNoEditor() { _Session.RemoveEditor(); }

void Desk::ChooseClass(const std::string& className) {
  AsAPerson([&] { _Hands.ChooseClass(PanelName, ClassFrameName, className); });
}

BrowserOffer Desk::Browse() {
  BrowserOffer offer;
  try {
    offer.Classes = _Hands.Browse(PanelName, ClassFrameName);
    offer.Available = true;
  } catch (const vexhost::Refused& refused) {
    // Without the panel there is nothing to look at; with it, the browser may just be unavailable.
    const auto panel = See(PanelName);
    if (!panel || !panel->Visible) throw ActionRefused(refused.what());
    offer.Reason = refused.what();
  }
  return offer;
}

void Desk::ChooseInBrowser(const std::string& className) {
  AsAPerson([&] { _Hands.ChooseInBrowser(PanelName, ClassFrameName, className); });
}

void Desk::TypePartNumber(const std::string& text) {
  AsAPerson([&] { _Hands.Type(PanelName, PartNumberEditorName, text); });
}

void Desk::PressOK(const std::string& dialog) {
  AsAPerson([&] { _Hands.PressOK(dialog); });
}

void Desk::PressCancel(const std::string& dialog) {
  AsAPerson([&] { _Hands.PressCancel(dialog); });
}

void Desk::CloseWindow(const std::string& dialog) {
  AsAPerson([&] { _Hands.CloseWindow(dialog); });
}

void Desk::Acknowledge(const std::string& dialog) {
  AsAPerson([&] { _Hands.Acknowledge(dialog); });
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

bool Desk::Running() const { return _Session.RunningCommand() != nullptr; }

std::vector<std::string> Desk::Changes() {
  const vexhost::DocumentData now = Document();
  std::vector<std::string> changes = TreeChanges(_Reported, now);
  if (now.ActivePath != _Reported.ActivePath) {
    changes.push_back(now.ActivePath ? "active product: " + PathText(*now.ActivePath) : "no current document editor");
  }
  _Reported = now;
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
  std::string state = Running() ? "running: " + (_Started.empty() ? std::string("yes") : _Started) : "running: no";
  return state + "; shown: " + (shown.empty() ? "nothing" : Join(shown, ", "));
}

std::optional<std::string> Desk::EndRun() {
  if (!Running()) return std::nullopt;
  _Session.CancelRunningCommand();
  return "the running command " + _Started + " was cancelled and destroyed";
}

}  // namespace vexshell
