#include "Script.h"

#include <istream>
#include <ostream>

#include "Drawing.h"
#include "Errors.h"
#include "Expectations.h"
#include "Perform.h"
#include "ProductTree.h"
#include "Text.h"

namespace vexdrive {

std::string Script::Help(const Profile* profile) { return ScriptHelp(profile); }

Script::Script(Desk& desk, std::ostream& out, std::ostream& err, bool interactive, const Profile* profile)
    : _Desk(desk), _Profile(profile), _Out(out), _Err(err), _Interactive(interactive) {}

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
      Refuse(source, number, error);
      if (_Stopped) return;
    }
  }
  if (_Interactive && !_Quit) Say("\n");
}

void Script::Act(const Action& action, const std::string& source) {
  const std::string text = ActionLine(action);
  try {
    if (!_Interactive) Say("> " + text + "\n");
    Do(text, action);
  } catch (const LineError& error) {
    Refuse(source, 1, error);
  }
}

void Script::Refuse(const std::string& source, int number, const LineError& error) {
  ++_Refused;
  _Err << Printable(source) << ": line " << number << ": " << Printable(Abbreviated(error.what(), MessageCharacters))
       << std::endl;
  if (!_Interactive) _Stopped = true;
}

void Script::Do(const ScriptLine& line) {
  const std::optional<Action> action = ParseAction(line, _Profile);
  if (action) return Do(line.Text, *action);
  _Line = line.Text;
  _LineBegan = std::chrono::steady_clock::now();
  DoOwn(line);
}

void Script::Do(const std::string& text, const Action& action) {
  _Line = text;
  _LineBegan = std::chrono::steady_clock::now();
  std::vector<std::string> said;
  try {
    said = Perform(_Desk, action);
  } catch (const ActionRefused& refused) {
    throw LineError(ActionName(action) + ": " + refused.what() + " (expected: " + ActionNeeds(action, _Profile) + ")");
  } catch (const LineError& wrong) {
    throw LineError(ActionName(action) + ": " + wrong.what());
  }
  for (const auto& line : said) Say("  " + line + "\n");
  if (IsStep(action)) Step();
}

void Script::DoOwn(const ScriptLine& line) {
  switch (*OwnCommandOf(line.Verb)) {
    case OwnCommand::Show:
      return Show();
    case OwnCommand::Tree:
      return Tree();
    case OwnCommand::Expect:
      return Expect(line.Rest);
    case OwnCommand::Help:
      return Say(Help(_Profile));
    case OwnCommand::Quit:
      _Quit = true;
      return;
  }
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
  if (picture.Boxes.empty()) return;
  Say(std::string("legend: [x] can be used, (x) is greyed out") +
      (HoldsInert(picture) ? ", {x} is there but does nothing: this host tells no module of it" : "") + "\n");
}

void Script::Tree() { Say(DrawTree(_Desk.Document())); }

void Script::Expect(const std::string& words) {
  const Verdict verdict = CheckExpectation(_Desk, words, _Times, _Profile);
  if (verdict.Passed) {
    Say("  passed\n");
    return;
  }
  ++_Failed;
  Say("  FAILED: expected " + Abbreviated(verdict.Expected, MessageCharacters) + "; found " +
      Abbreviated(verdict.Found, MessageCharacters) + "\n");
}

}  // namespace vexdrive
