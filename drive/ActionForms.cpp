#include "ActionForms.h"

#include "Expectations.h"

namespace vexdrive {

namespace forms {

const std::vector<GenericForm>& GenericForms() {
  static const std::vector<GenericForm> forms{
      {{"press"},
       ActionVerb::Press,
       "press DIALOG/BUTTON",
       "press OK or Cancel of a dialog, or OK of a message box",
       Shape::Always,
       "the dialog shown, with that button usable"},
      {{"close"},
       ActionVerb::Close,
       "close DIALOG",
       "close a dialog with its window's close box",
       Shape::AnyArgument,
       "the dialog shown"},
      {{"acknowledge", "ack"},
       ActionVerb::Acknowledge,
       "acknowledge DIALOG",
       "press OK in a message box",
       Shape::AnyArgument,
       "the message box shown"},
      {{"type"},
       ActionVerb::Type,
       "type DIALOG/EDITOR TEXT",
       "replace an editor's text (\"\" empties it)",
       Shape::Address,
       "the editor shown and sensitive, the text no wider than its maximum"},
      {{"choose"},
       ActionVerb::Choose,
       "choose DIALOG/FRAME CLASS",
       "choose a class in a class frame, as typed into it",
       Shape::Address,
       "the class frame shown and sensitive"},
      {{"browse"},
       ActionVerb::Browse,
       "browse DIALOG/FRAME [CLASS]",
       "list what a class frame's browser offers; with CLASS, choose it",
       Shape::Address,
       "the class browser available and offering the class"},
      {{"interrupt"},
       ActionVerb::Interrupt,
       "interrupt",
       "cancel the running command, as the host does when another one starts",
       Shape::Always,
       ""},
      {{"reactivate"},
       ActionVerb::Reactivate,
       "reactivate",
       "desactivate the running command and activate it again, as the host does around a command run over it",
       Shape::Always,
       ""},
      {{"reopen"},
       ActionVerb::Reopen,
       "reopen",
       "close the document and open it again as it was opened, the module still loaded (a running command is "
       "cancelled)",
       Shape::Always,
       ""},
      {{"fault"},
       ActionVerb::Fault,
       "fault allocation N [once|persistent]",
       "fail the Nth host allocation, once or from then on",
       Shape::Always,
       ""},
  };
  return forms;
}

const std::vector<LineForm>& HostForms() {
  static const std::vector<LineForm> forms{
      {{"start"},
       "start NAME",
       "start a command by its registered name",
       Takes::Text,
       "a registered command name",
       ActionVerb::Start,
       {}},
      {{"active"},
       "active PATH",
       "make the product at PATH (names from the root joined with /) the active one",
       Takes::Text,
       "the path of a product, names from the root joined with /",
       ActionVerb::Active,
       {}},
      {{"noeditor"}, "noeditor", "leave no current document editor", Takes::Nothing, "", ActionVerb::NoEditor, {}},
  };
  return forms;
}

const std::vector<LineForm>& OwnForms() {
  static const std::vector<LineForm> forms{
      {{"show", "draw"}, "show", "draw the open dialogs", Takes::Nothing, "", {}, OwnCommand::Show},
      {{"tree", "products"}, "tree", "print the product tree", Takes::Nothing, "", {}, OwnCommand::Tree},
      {{"expect"},
       "expect WHAT",
       "check what a person sees; a failed check makes the exit code 1:",
       Takes::Text,
       "",
       {},
       OwnCommand::Expect},
      {{"help"}, "help", "list these commands", Takes::Nothing, "", {}, OwnCommand::Help},
      {{"quit", "exit"}, "quit", "end the run", Takes::Nothing, "", {}, OwnCommand::Quit},
  };
  return forms;
}

bool Names(const std::vector<std::string>& names, const std::string& verb) {
  return std::find(names.begin(), names.end(), verb) != names.end();
}

const Shorthand* FindShorthand(const Profile* profile, const std::string& verb) {
  if (profile == nullptr) return nullptr;
  for (const Shorthand& shorthand : profile->Shorthands) {
    if (Names(shorthand.Names, verb)) return &shorthand;
  }
  return nullptr;
}

}  // namespace forms

using forms::FindForm;
using forms::FindShorthand;
using forms::GenericForm;
using forms::GenericForms;
using forms::HostForms;
using forms::LineForm;
using forms::Names;
using forms::OwnForms;

namespace {

// The text followed by blanks up to `width` (at least one blank).
std::string Column(const std::string& text, std::size_t width) {
  return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

}  // namespace

std::string VerbName(ActionVerb verb) {
  for (const LineForm& form : HostForms()) {
    if (form.Verb == verb) return form.Names.front();
  }
  for (const GenericForm& form : GenericForms()) {
    if (form.Verb == verb) return form.Names.front();
  }
  return {};
}

std::string ActionName(const Action& action) {
  return action.Shorthand.empty() ? VerbName(action.Verb) : action.Shorthand;
}

std::string ActionNeeds(const Action& action, const Profile* profile) {
  if (const Shorthand* shorthand = FindShorthand(profile, action.Shorthand)) return shorthand->Needs;
  for (const LineForm& form : HostForms()) {
    if (form.Verb == action.Verb) return form.Needs;
  }
  for (const GenericForm& form : GenericForms()) {
    if (form.Verb == action.Verb) return form.Needs;
  }
  return {};
}

bool IsStep(const Action& action) {
  if (action.Verb == ActionVerb::Fault) return false;
  return action.Verb != ActionVerb::Browse || action.Text.has_value();
}

bool IsButton(const Action& action) {
  return action.Verb == ActionVerb::Press || action.Verb == ActionVerb::Close || action.Verb == ActionVerb::Acknowledge;
}

std::optional<OwnCommand> OwnCommandOf(const std::string& verb) {
  const LineForm* own = FindForm(OwnForms(), verb);
  return own == nullptr ? std::nullopt : own->Own;
}

std::string ScriptHelp(const Profile* profile) {
  std::string help =
      "Script commands, one a line. '#' at the start of a word begins a comment; blank lines are skipped;\n"
      "write an argument in double quotes to keep blanks or an empty text.\n";
  for (const LineForm& form : HostForms()) help += Column("  " + form.Usage, 20) + form.Help + "\n";
  if (profile != nullptr) {
    for (const Shorthand& form : profile->Shorthands) help += Column("  " + form.Usage, 20) + form.Help + "\n";
  }
  for (const LineForm& form : OwnForms()) {
    help += Column("  " + form.Usage, 20) + form.Help + "\n";
    if (form.Own != OwnCommand::Expect) continue;
    for (const auto& expectation : ExpectationForms) {
      help += Column(std::string("    expect ") + expectation.Form, 53) + expectation.Meaning + "\n";
    }
  }
  help += "Generic forms, for the dialogs of any module (DIALOG/WIDGET by name):\n";
  for (const GenericForm& form : GenericForms()) help += Column("  " + form.Usage, 40) + form.Help + "\n";
  help +=
      "  fault raise OP[@OBJECT][#N][:KIND] [once|persistent]\n"
      "                                        raise a host error (VexError or SystemError) at the Nth call of OP\n"
      "  fault status OP[@OBJECT][#N]=STATUS [once|persistent]\n"
      "                                        make the Nth call of OP answer a negative STATUS without raising\n"
      "                                        (CreateInterimProduct=0: a success without an object;\n"
      "                                        GetResourceValueFromKey=0: no text for the key)\n";
  return help + "PATH: the names of products from the root, joined with '/' (for example Hull/Block A).\n";
}

std::vector<std::string> VerbNames(const Profile* profile) {
  std::vector<std::string> names;
  const auto add = [&](const std::vector<std::string>& more) { names.insert(names.end(), more.begin(), more.end()); };
  for (const LineForm& form : HostForms()) add(form.Names);
  if (profile != nullptr) {
    for (const Shorthand& form : profile->Shorthands) add(form.Names);
  }
  for (const LineForm& form : OwnForms()) add(form.Names);
  for (const GenericForm& form : GenericForms()) {
    for (const auto& name : form.Names) {
      if (!Names(names, name)) names.push_back(name);
    }
  }
  return names;
}

}  // namespace vexdrive
