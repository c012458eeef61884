// The one vocabulary of what a person and the host do in a script: start a command, make a product
// active, leave no editor, press, type, choose, browse, close, acknowledge, interrupt, reactivate,
// and arm a fault. A script line, a click on the page and a step of the validator are all an
// `Action`; this is the only place that turns a line into an action (`ParseAction`) and an action
// into a line (`ActionLine`).
//
// How a text is written back (`Writing`):
// - `OneWord`: the text is one script word, quoted when it is empty or holds a blank, a quote, a
//   backslash or a leading '#'. What the validator writes: every text reads back as it was made.
// - `AsTyped`: the text stands as the rest of the line, as a person typed it, quoted only where
//   the line would read it otherwise: when it is empty, has a blank at either end, or holds a
//   quote or a '#'. What the page records.
// Either way a quoted text escapes its quotes and backslashes; a dialog alone (close, acknowledge)
// is always written as one word, an address DIALOG/WIDGET as it is.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Sight.h"
#include "Words.h"

namespace vexdrive {

struct Profile;

enum class ActionVerb {
  Start,
  Active,
  NoEditor,
  Press,
  Type,
  Choose,
  Browse,
  Close,
  Acknowledge,
  Interrupt,
  Reactivate,
  Reopen,
  Fault
};
enum class FaultKind { Allocation, Raise, Status };
// Whether an armed fault is met once or from then on.
enum class FaultWhen { Once, FromThenOn };
enum class Writing { OneWord, AsTyped };

struct Action {
  ActionVerb Verb = ActionVerb::NoEditor;
  // The dialog (close, acknowledge) or DIALOG/WIDGET (press, type, choose, browse); a short form's
  // from its profile.
  Address Target;
  // The command's name (start), the path (active), the text typed, the class chosen, or a fault's
  // N, OP[@OBJECT][#N][:KIND] or OP[@OBJECT][#N]=STATUS. Nothing: browse lists what is offered.
  std::optional<std::string> Text;
  FaultKind Fault = FaultKind::Allocation;
  FaultWhen When = FaultWhen::Once;
  Writing TextWriting = Writing::OneWord;
  // The module's short form the action was written as ("ok"), written back the same; empty for
  // the generic form.
  std::string Shorthand;

  bool operator==(const Action&) const = default;

  static Action Start(const std::string& command, Writing writing = Writing::OneWord);
  static Action Active(const std::string& path, Writing writing = Writing::OneWord);
  static Action NoEditor();
  static Action Press(const std::string& dialog, const std::string& button);
  static Action Type(const std::string& dialog, const std::string& editor, const std::string& text,
                     Writing writing = Writing::OneWord);
  static Action Choose(const std::string& dialog, const std::string& frame, const std::string& className,
                       Writing writing = Writing::OneWord);
  // Without a class: list what the frame's browser offers.
  static Action Browse(const std::string& dialog, const std::string& frame,
                       const std::optional<std::string>& className = std::nullopt, Writing writing = Writing::OneWord);
  static Action Close(const std::string& dialog);
  static Action Acknowledge(const std::string& dialog);
  static Action Interrupt();
  static Action Reactivate();
  static Action Reopen();
  static Action FailAllocation(int nth, FaultWhen when);
  static Action Raise(const std::string& raise, FaultWhen when);    // "OP[@OBJECT][#N][:KIND]"
  static Action Status(const std::string& status, FaultWhen when);  // "OP[@OBJECT][#N]=STATUS"
};

// The action a line says, or nothing for a comment and for the script's own commands (show, tree,
// expect, help, quit). The profile's short forms are understood when one is given. Throws LineError
// when the line is not a known command or not in its form.
std::optional<Action> ParseAction(const ScriptLine& line, const Profile* profile = nullptr);
// The line that ParseAction reads back as the same action.
std::string ActionLine(const Action& action);

// The one quoting of a text in a script line (see `Writing` above).
std::string ScriptWord(const std::string& text, Writing writing = Writing::OneWord);

// The name of a verb's generic form ("press", "acknowledge"), as a line and the page name it.
std::string VerbName(ActionVerb verb);
// The name an action's messages begin with: its short form as written, else its verb.
std::string ActionName(const Action& action);
// What the state must allow for the action, named when it does not.
std::string ActionNeeds(const Action& action, const Profile* profile);
// Whether the action changes the state, so that the changes are reported after it.
bool IsStep(const Action& action);
// A step a person takes on a dialog's button: a press, a close box, a message box's OK.
bool IsButton(const Action& action);

// The script's own commands, which are no action.
enum class OwnCommand { Show, Tree, Expect, Help, Quit };
// The own command a line's verb names, or nothing.
std::optional<OwnCommand> OwnCommandOf(const std::string& verb);

// The commands and what they do, for `help` and --help; the profile's short forms among them.
std::string ScriptHelp(const Profile* profile);
// Every verb a line can begin with, short and generic forms and their other names.
std::vector<std::string> VerbNames(const Profile* profile);

}  // namespace vexdrive
