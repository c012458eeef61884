#include "Script.h"

#include <algorithm>
#include <functional>
#include <istream>
#include <ostream>

#include "Drawing.h"
#include "Errors.h"
#include "Expectations.h"
#include "GenericVerbs.h"
#include "Names.h"
#include "ProductTree.h"
#include "Text.h"

namespace vexdrive {

namespace {

enum class Takes { Nothing, Text, OptionalText };

// The text followed by blanks up to `width` (at least one blank).
std::string Column(const std::string& text, std::size_t width) {
  return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

}  // namespace

struct Script::Verb {
  std::vector<std::string> Names;  // the first is the one the help shows
  std::string Usage;
  std::string Help;
  Takes Argument = Takes::Nothing;
  std::string Needs;    // what the state must allow, named when it does not
  bool IsStep = false;  // changes the state: the changes are reported after it
  std::function<void(Script&, const std::string&)> Run;
};

const std::vector<Script::Verb>& Script::Verbs() {
  static const std::vector<Verb> verbs{
      {{"start"},
       "start NAME",
       "start a command by its registered name",
       Takes::Text,
       "a registered command name",
       true,
       [](Script& s, const std::string& rest) { s._Desk.Start(RestText(rest)); }},
      {{"active"},
       "active PATH",
       "make the product at PATH (names from the root joined with /) the active one",
       Takes::Text,
       "the path of a product, names from the root joined with /",
       true,
       [](Script& s, const std::string& rest) { s._Desk.MakeActive(RestText(rest)); }},
      {{"noeditor"},
       "noeditor",
       "leave no current document editor",
       Takes::Nothing,
       "",
       true,
       [](Script& s, const std::string&) { s._Desk.LeaveNoEditor(); }},
      {{"class", "choose"},
       "class NAME",
       "choose a class in the class frame (the rest of the line; may be empty)",
       Takes::OptionalText,
       "the panel shown, with its class frame",
       true,
       [](Script& s, const std::string& rest) { s._Desk.ChooseClass(RestText(rest)); }},
      {{"browse"},
       "browse [NAME]",
       "list the classes the class browser offers; with NAME, choose it there",
       Takes::OptionalText,
       "the panel shown, with the class browser available and offering the class",
       false,
       [](Script& s, const std::string& rest) { s.Browse(RestText(rest)); }},
      {{"partnumber", "type"},
       "partnumber TEXT",
       "replace the part-number editor's text (the rest of the line; may be empty)",
       Takes::OptionalText,
       "the panel shown, with its part-number editor",
       true,
       [](Script& s, const std::string& rest) { s._Desk.TypePartNumber(RestText(rest)); }},
      {{"ok"},
       "ok",
       "press OK in the panel",
       Takes::Nothing,
       "the panel shown, with OK sensitive",
       true,
       [](Script& s, const std::string&) { s._Desk.PressOK(PanelName); }},
      {{"cancel"},
       "cancel",
       "press Cancel in the panel",
       Takes::Nothing,
       "the panel shown",
       true,
       [](Script& s, const std::string&) { s._Desk.PressCancel(PanelName); }},
      {{"close"},
       "close",
       "close the panel with its window's close box",
       Takes::Nothing,
       "the panel shown",
       true,
       [](Script& s, const std::string&) { s._Desk.CloseWindow(PanelName); }},
      {{"ack", "acknowledge"},
       "ack",
       "press OK in the error box",
       Takes::Nothing,
       "the error box shown",
       true,
       [](Script& s, const std::string&) { s._Desk.Acknowledge(ErrorBoxName); }},
      {{"show", "draw"},
       "show",
       "draw the open dialogs",
       Takes::Nothing,
       "",
       false,
       [](Script& s, const std::string&) { s.Show(); }},
      {{"tree", "products"},
       "tree",
       "print the product tree",
       Takes::Nothing,
       "",
       false,
       [](Script& s, const std::string&) { s.Tree(); }},
      {{"expect"},
       "expect WHAT",
       "check what a person sees; a failed check makes the exit code 1:",
       Takes::Text,
       "",
       false,
       [](Script& s, const std::string& rest) { s.Expect(rest); }},
      {{"help"},
       "help",
       "list these commands",
       Takes::Nothing,
       "",
       false,
       [](Script& s, const std::string&) { s.Say(Help()); }},
      {{"quit", "exit"},
       "quit",
       "end the run",
       Takes::Nothing,
       "",
       false,
       [](Script& s, const std::string&) { s._Quit = true; }},
  };
  return verbs;
}

std::vector<std::string> Script::VerbNames() {
  std::vector<std::string> names;
  for (const auto& verb : Verbs()) names.insert(names.end(), verb.Names.begin(), verb.Names.end());
  for (const auto& name : GenericVerbNames()) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

std::string Script::Help() {
  std::string help =
      "Script commands, one a line. '#' at the start of a word begins a comment; blank lines are skipped;\n"
      "write an argument in double quotes to keep blanks or an empty text.\n";
  for (const auto& verb : Verbs()) {
    help += Column("  " + verb.Usage, 20) + verb.Help + "\n";
    if (verb.Names.front() != "expect") continue;
    for (const auto& form : ExpectationForms)
      help += Column(std::string("    expect ") + form.Form, 53) + form.Meaning + "\n";
  }
  help += GenericHelp();
  return help + "PATH: the names of products from the root, joined with '/' (for example Hull/Block A).\n";
}

Script::Script(Desk& desk, std::ostream& out, std::ostream& err, bool interactive)
    : _Desk(desk), _Out(out), _Err(err), _Interactive(interactive) {}

// Texts are made printable where they are put together; this is the last guard that no control
// character of a text reaches the terminal.
void Script::Say(const std::string& text) {
  if (_Out.rdbuf() != nullptr) _Out << PrintableLines(text) << std::flush;
}

void Script::Run(std::istream& in, const std::string& source) {
  if (_Interactive) Say("Type help for the commands, quit to leave.\n");
  std::string text;
  int number = 0;
  while (!_Quit) {
    if (_Interactive) Say("vexhost> ");
    if (!std::getline(in, text)) break;
    ++number;
    try {
      const std::optional<ScriptLine> line = ParseLine(text, number);
      if (!line) {
        if (!_Interactive) Say("\n");  // the transcript keeps the script's paragraphs
        continue;
      }
      if (!_Interactive) Say((line->Verb.empty() ? "" : "> ") + line->Text + "\n");
      if (!line->Verb.empty()) Do(*line);
    } catch (const LineError& error) {
      ++_Refused;
      _Err << Printable(source) << ": line " << number << ": "
           << Printable(Abbreviated(error.what(), MessageCharacters)) << std::endl;
      if (!_Interactive) {
        _Stopped = true;
        return;
      }
    }
  }
  if (_Interactive && !_Quit) Say("\n");
}

void Script::Do(const ScriptLine& line) {
  _Line = line.Text;
  _LineBegan = std::chrono::steady_clock::now();
  if (const GenericVerb* generic = FindGenericVerb(line.Verb, line.Rest)) {
    for (const auto& said : RunGenericVerb(*generic, _Desk, line.Rest)) Say("  " + said + "\n");
    if (IsStep(*generic, line.Rest)) Step();
    return;
  }
  const Verb* verb = nullptr;
  for (const auto& candidate : Verbs()) {
    for (const auto& name : candidate.Names) {
      if (name == line.Verb) verb = &candidate;
    }
  }
  if (verb == nullptr) {
    throw LineError("unknown command " + Echo(line.Verb) + " (expected one of: " + Join(VerbNames(), ", ") + ")");
  }
  if (verb->Argument == Takes::Nothing && !line.Rest.empty()) {
    throw LineError(line.Verb + " takes nothing after it (found " + Echo(line.Rest) + ")");
  }
  if (verb->Argument == Takes::Text && line.Rest.empty()) {
    throw LineError(line.Verb + " needs an argument (expected: " + verb->Usage + ")");
  }
  try {
    verb->Run(*this, line.Rest);
  } catch (const ActionRefused& refused) {
    throw LineError(line.Verb + ": " + refused.what() + " (expected: " + verb->Needs + ")");
  }
  if (verb->IsStep) Step();
}

void Script::Step() {
  // The action is done: what follows is the script's own report of it.
  const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - _LineBegan).count();
  if (_Times.Slowest.empty() || took > _Times.SlowestMs) _Times = {_Line, took};
  // Written nowhere (a validator's case): what changed and what is shown would be told to nobody.
  if (_Out.rdbuf() == nullptr) return;
  for (const auto& change : _Desk.Changes()) Say("  " + change + "\n");
  Say("  " + _Desk.State() + "\n");
  if (_Interactive) Show();
}

void Script::Show() {
  const Picture picture = _Desk.Draw();
  std::vector<std::string> hidden;
  for (const auto& window : _Desk.OpenWindows()) {
    if (!window.Visible) hidden.push_back(window.Name);
  }
  if (picture.Boxes.empty()) {
    Say(hidden.empty() ? "no dialog is open\n" : "no dialog is shown\n");
  } else {
    Say(DrawText(picture));
  }
  if (!hidden.empty()) Say("hidden: " + Join(hidden, ", ") + "\n");
  if (!picture.Boxes.empty()) Say("legend: [x] can be used, (x) is greyed out\n");
}

void Script::Tree() { Say(DrawTree(_Desk.Document())); }

void Script::Browse(const std::string& className) {
  if (!className.empty()) {
    _Desk.ChooseInBrowser(className);
    Step();
    return;
  }
  const BrowserOffer offer = _Desk.Browse();
  if (offer.Available) {
    Say("  the class browser offers: " + (offer.Classes.empty() ? std::string("nothing") : Join(offer.Classes, ", ")) +
        "\n");
  } else {
    Say("  no class browser: " + offer.Reason + "\n");
  }
}

void Script::Expect(const std::string& words) {
  const Verdict verdict = CheckExpectation(_Desk, words, _Times);
  if (verdict.Passed) {
    Say("  passed\n");
    return;
  }
  ++_Failed;
  Say("  FAILED: expected " + Abbreviated(verdict.Expected, MessageCharacters) + "; found " +
      Abbreviated(verdict.Found, MessageCharacters) + "\n");
}

}  // namespace vexdrive
