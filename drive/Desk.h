// The desk: a host session with the module's dialogs, worked as a person would work them, and
// what that person can see of it: the open dialogs, the product tree, whether a command runs.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Layout.h"
#include "Sight.h"
#include "vexhost/Hands.h"
#include "vexhost/ProductWatch.h"
#include "vexhost/Session.h"
#include "vexhost/Snapshot.h"

namespace vexdrive {

// What the class browser offers, or why it cannot be opened.
struct BrowserOffer {
  bool Available = false;
  std::vector<std::string> Classes;
  std::string Reason;
};

class Desk {
 public:
  explicit Desk(vexhost::Session& session);

  // The actions. Each throws ActionRefused when the current state does not allow it.
  void Start(const std::string& command);
  void MakeActive(const std::string& path);
  void LeaveNoEditor();
  // A class frame's class and an editor's text, addressed as DIALOG/WIDGET. A text holding a
  // tab is refused.
  void ChooseClass(const Address& frame, const std::string& className);
  // What the frame's browser offers, or why it cannot be opened while the dialog is shown.
  BrowserOffer Browse(const Address& frame);
  void ChooseInBrowser(const Address& frame, const std::string& className);
  void Type(const Address& editor, const std::string& text);
  void PressOK(const std::string& dialog);
  void PressCancel(const std::string& dialog);
  void CloseWindow(const std::string& dialog);
  void Acknowledge(const std::string& dialog);

  // What a person sees.
  std::optional<vexhost::WidgetView> See(const std::string& dialog) const;
  std::vector<vexhost::WidgetView> OpenWindows() const;  // shown or hidden, in order of names
  // Lays out the shown windows; the last layout made is kept for the SVG picture.
  Picture Draw();
  const std::optional<Picture>& LastDrawing() const { return _LastDrawing; }
  // The whole document: costs in proportion to its size.
  vexhost::DocumentData Document() const;
  // One product, or its children, by path (names from the root joined with '/'); nothing, or no
  // children, when no product is there. Throws std::invalid_argument for a malformed path.
  std::optional<vexhost::ProductSight> Product(const std::string& path) const;
  std::vector<vexhost::ProductData> Children(const std::string& path) const;
  bool Running() const;

  // What changed since the last call: new products, part numbers, the active product, host errors
  // caught or escaped. Costs in proportion to what changed, not to the document.
  std::vector<std::string> Changes();
  // Whether a command runs and which windows are shown.
  std::string State() const;
  // At the end of a run: cancels and destroys a running command as the host does when the
  // document closes. Returns what was done, or nothing.
  std::optional<std::string> EndRun();
  // Desactivates the running command and activates it again, as the host does around a command
  // run over it for a while. Returns what was done, or nothing when no command runs.
  std::optional<std::string> Reactivate();
  // Closes the document and opens it again as it was opened, the module still loaded; a running
  // command is cancelled first. Returns what was done. Throws ActionRefused without a document.
  std::string Reopen();
  // Whether the last press of a button, a close box or a message box's OK reached the module: an
  // action of the running command ran, or the command ended. Nothing when nothing was pressed yet.
  std::optional<bool> LastPressAnswered() const;

 private:
  vexhost::Session& _Session;
  vexhost::Hands _Hands;
  std::string _Started;  // the name of the command last started
  std::size_t _ErrorsReported = 0;
  vexhost::ChangeWatch _Watch;
  std::optional<std::vector<std::string>> _ReportedActive;  // the active path at the last report
  std::optional<Picture> _LastDrawing;
  // The journal's size before and after the last press: a press that reaches the module is journaled.
  std::optional<std::pair<std::size_t, std::size_t>> _LastPress;

  template <class Action>
  void Press(Action&& action);
};

}  // namespace vexdrive
