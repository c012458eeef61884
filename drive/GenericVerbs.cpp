#include "GenericVerbs.h"

#include <charconv>
#include <functional>

#include "Errors.h"
#include "Sight.h"
#include "Text.h"
#include "Words.h"
#include "vex/Dialogs.h"
#include "vexhost/FaultPlan.h"
#include "vexhost/Hands.h"
#include "vexhost/Session.h"

namespace vexdrive {

namespace {

// Which lines of a verb are its generic form.
enum class Shape {
  Always,       // a verb of its own
  AnyArgument,  // with an argument (without one it is the short form)
  Address,      // its first word is an unquoted DIALOG/WIDGET
};

enum class Steps { Never, Always, WhenChoosing };

using Action = std::function<std::vector<std::string>(Desk&, const std::vector<Word>&, const std::string&)>;

}  // namespace

struct GenericVerb {
  std::vector<std::string> Names;  // the first is the one the help shows
  std::string Usage;
  std::string Help;
  Shape When;
  Steps Changes;      // whether the line changes the state, reported after it
  std::string Needs;  // what the state must allow, named when it does not
  Action Run;         // gets the desk, the words and the text after the first word
};

namespace {

// The word as written, quotes included.
std::string Raw(const std::string& rest, const Word& word) { return rest.substr(word.Begin, word.End - word.Begin); }

bool IsAddress(const std::string& rest, const Word& word) {
  const std::string raw = Raw(rest, word);
  return raw.find('/') != std::string::npos && raw.find('"') == std::string::npos;
}

Address WidgetAddress(const std::string& word, const char* what) {
  const std::size_t slash = word.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == word.size()) {
    throw LineError(std::string("expected DIALOG/") + what + ", not \"" + word + "\"");
  }
  return ParseAddress(word);
}

vexhost::Session& CurrentSession() {
  vexhost::Session* session = vexhost::Session::Current();
  if (session == nullptr) throw LineError("no host session is open");
  return *session;
}

// Runs what the hands do, turning a refusal into the shell's own.
template <class Body>
auto AsAPerson(Body&& body) {
  try {
    return body();
  } catch (const vexhost::Refused& refused) {
    throw ActionRefused(refused.what());
  }
}

// The text after the first word: the rest of the line, unquoted when it is one quoted word.
std::string TextAfterFirst(const std::string& rest, const std::vector<Word>& words) {
  return RestText(Trim(rest.substr(words.front().End)));
}

void ExpectWords(const std::vector<Word>& words, std::size_t count, const char* usage) {
  if (words.size() != count) throw LineError(std::string("expected: ") + usage);
}

std::vector<std::string> Press(Desk& desk, const std::vector<Word>& words, const std::string&) {
  ExpectWords(words, 1, "press DIALOG/BUTTON");
  const Address address = WidgetAddress(words[0].Text, "BUTTON");
  VexDialog* window = CurrentSession().FindDialog(address.Dialog);
  const bool messageBox = dynamic_cast<VexDlgNotify*>(window) != nullptr;
  if (address.Widget == "OK") {
    messageBox ? desk.Acknowledge(address.Dialog) : desk.PressOK(address.Dialog);
  } else if (address.Widget == "Cancel" && !messageBox) {
    desk.PressCancel(address.Dialog);
  } else {
    throw ActionRefused("'" + address.Dialog + "' has no button named '" + address.Widget +
                        "' that a command hears (OK and Cancel of a dialog, OK of a message box)");
  }
  return {};
}

std::vector<std::string> Close(Desk& desk, const std::vector<Word>& words, const std::string&) {
  ExpectWords(words, 1, "close DIALOG");
  desk.CloseWindow(words[0].Text);
  return {};
}

std::vector<std::string> Acknowledge(Desk& desk, const std::vector<Word>& words, const std::string&) {
  ExpectWords(words, 1, "acknowledge DIALOG");
  desk.Acknowledge(words[0].Text);
  return {};
}

std::vector<std::string> Type(Desk&, const std::vector<Word>& words, const std::string& rest) {
  const Address address = WidgetAddress(words[0].Text, "EDITOR");
  if (words.size() < 2) throw LineError("expected: type DIALOG/EDITOR TEXT (\"\" for an empty text)");
  const std::string text = TextAfterFirst(rest, words);
  vexhost::Hands hands(CurrentSession());
  AsAPerson([&] { hands.Type(address.Dialog, address.Widget, text); });
  return {};
}

std::vector<std::string> Choose(Desk&, const std::vector<Word>& words, const std::string& rest) {
  const Address address = WidgetAddress(words[0].Text, "FRAME");
  const std::string className = words.size() < 2 ? std::string() : TextAfterFirst(rest, words);
  vexhost::Hands hands(CurrentSession());
  AsAPerson([&] { hands.ChooseClass(address.Dialog, address.Widget, className); });
  return {};
}

std::vector<std::string> Browse(Desk&, const std::vector<Word>& words, const std::string& rest) {
  const Address address = WidgetAddress(words[0].Text, "FRAME");
  vexhost::Hands hands(CurrentSession());
  if (words.size() >= 2) {
    const std::string className = TextAfterFirst(rest, words);
    AsAPerson([&] { hands.ChooseInBrowser(address.Dialog, address.Widget, className); });
    return {};
  }
  const std::vector<std::string> offered = AsAPerson([&] { return hands.Browse(address.Dialog, address.Widget); });
  return {"the class browser offers: " + (offered.empty() ? std::string("nothing") : Join(offered, ", "))};
}

std::vector<std::string> Interrupt(Desk& desk, const std::vector<Word>& words, const std::string&) {
  ExpectWords(words, 0, "interrupt");
  const auto ended = desk.EndRun();
  return {ended ? *ended : "no command runs"};
}

std::vector<std::string> Reactivate(Desk& desk, const std::vector<Word>& words, const std::string&) {
  ExpectWords(words, 0, "reactivate");
  const auto done = desk.Reactivate();
  return {done ? *done : "no command runs"};
}

// "once" (the default) or "persistent": whether the fault is met once or from then on.
FaultWhen ParseWhen(const std::vector<Word>& words, std::size_t at) {
  if (words.size() <= at || words[at].Text == "once") return FaultWhen::Once;
  if (words[at].Text == "persistent") return FaultWhen::FromThenOn;
  throw LineError("expected once or persistent, not \"" + words[at].Text + "\"");
}

vexhost::Persistence ToPersistence(FaultWhen when) {
  return when == FaultWhen::Once ? vexhost::Persistence::Once : vexhost::Persistence::FromThenOn;
}

const char* WhenText(FaultWhen when) { return when == FaultWhen::Once ? "once" : "from then on"; }

bool ParseWhole(std::string_view text, long long& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::string FaultAllocation(vexhost::FaultPlan& plan, const std::vector<Word>& words) {
  long long nth = 0;
  if (words.size() < 2 || !ParseWhole(words[1].Text, nth) || nth <= 0 || nth > 1'000'000'000) {
    throw LineError("expected: fault allocation N [once|persistent] with N a positive whole number");
  }
  const FaultWhen when = ParseWhen(words, 2);
  plan.FailAllocation(static_cast<int>(nth), ToPersistence(when));
  return "fault plan: host allocation #" + std::to_string(nth) + " fails " + WhenText(when);
}

std::string FaultRaise(vexhost::FaultPlan& plan, const std::vector<Word>& words) {
  if (words.size() < 2) throw LineError("expected: fault raise OP[@OBJECT][#N][:KIND] [once|persistent]");
  const FaultWhen when = ParseWhen(words, 2);
  std::string problem;
  const auto parsed = vexhost::FaultPlan::ParseRaise(words[1].Text, problem, ToPersistence(when));
  if (!parsed) throw LineError("fault raise " + words[1].Text + ": " + problem);
  plan.Merge(*parsed);
  return "fault plan: raise " + words[1].Text + " " + WhenText(when);
}

std::string FaultStatus(vexhost::FaultPlan& plan, const std::vector<Word>& words) {
  if (words.size() < 2) throw LineError("expected: fault status OP[@OBJECT][#N]=STATUS [once|persistent]");
  const FaultWhen when = ParseWhen(words, 2);
  std::string problem;
  const auto parsed = vexhost::FaultPlan::ParseStatus(words[1].Text, problem, ToPersistence(when));
  if (!parsed) throw LineError("fault status " + words[1].Text + ": " + problem);
  plan.Merge(*parsed);
  return "fault plan: status " + words[1].Text + " " + WhenText(when);
}

std::vector<std::string> Fault(Desk&, const std::vector<Word>& words, const std::string&) {
  vexhost::FaultPlan& plan = CurrentSession().Faults();
  const std::string kind = words.empty() ? std::string() : words[0].Text;
  if (words.size() > 3) throw LineError("fault takes at most three words");
  if (kind == "allocation") return {FaultAllocation(plan, words)};
  if (kind == "raise") return {FaultRaise(plan, words)};
  if (kind == "status") return {FaultStatus(plan, words)};
  throw LineError("expected: fault allocation|raise|status ..., not \"" + kind + "\"");
}

const std::vector<GenericVerb>& Verbs() {
  static const std::vector<GenericVerb> verbs{
      {{"press"},
       "press DIALOG/BUTTON",
       "press OK or Cancel of a dialog, or OK of a message box",
       Shape::Always,
       Steps::Always,
       "the dialog shown, with that button usable",
       Press},
      {{"close"},
       "close DIALOG",
       "close a dialog with its window's close box",
       Shape::AnyArgument,
       Steps::Always,
       "the dialog shown",
       Close},
      {{"acknowledge", "ack"},
       "acknowledge DIALOG",
       "press OK in a message box",
       Shape::AnyArgument,
       Steps::Always,
       "the message box shown",
       Acknowledge},
      {{"type"},
       "type DIALOG/EDITOR TEXT",
       "replace an editor's text (\"\" empties it)",
       Shape::Address,
       Steps::Always,
       "the editor shown and sensitive, the text no wider than its maximum",
       Type},
      {{"choose"},
       "choose DIALOG/FRAME CLASS",
       "choose a class in a class frame, as typed into it",
       Shape::Address,
       Steps::Always,
       "the class frame shown and sensitive",
       Choose},
      {{"browse"},
       "browse DIALOG/FRAME [CLASS]",
       "list what a class frame's browser offers; with CLASS, choose it",
       Shape::Address,
       Steps::WhenChoosing,
       "the class browser available and offering the class",
       Browse},
      {{"interrupt"},
       "interrupt",
       "cancel the running command, as the host does when another one starts",
       Shape::Always,
       Steps::Always,
       "",
       Interrupt},
      {{"reactivate"},
       "reactivate",
       "desactivate the running command and activate it again, as the host does around a command run over it",
       Shape::Always,
       Steps::Always,
       "",
       Reactivate},
      {{"fault"},
       "fault allocation N [once|persistent]",
       "fail the Nth host allocation, once or from then on",
       Shape::Always,
       Steps::Never,
       "",
       Fault},
  };
  return verbs;
}

}  // namespace

const GenericVerb* FindGenericVerb(const std::string& verb, const std::string& rest) {
  for (const GenericVerb& candidate : Verbs()) {
    bool named = false;
    for (const auto& name : candidate.Names) named = named || name == verb;
    if (!named) continue;
    switch (candidate.When) {
      case Shape::Always:
        return &candidate;
      case Shape::AnyArgument:
        return rest.empty() ? nullptr : &candidate;
      case Shape::Address: {
        const std::vector<Word> words = SplitWords(rest);
        return !words.empty() && IsAddress(rest, words.front()) ? &candidate : nullptr;
      }
    }
  }
  return nullptr;
}

std::vector<std::string> RunGenericVerb(const GenericVerb& verb, Desk& desk, const std::string& rest) {
  const std::vector<Word> words = SplitWords(rest);
  try {
    return verb.Run(desk, words, rest);
  } catch (const ActionRefused& refused) {
    throw LineError(verb.Names.front() + ": " + refused.what() + " (expected: " + verb.Needs + ")");
  } catch (const LineError& wrong) {
    throw LineError(verb.Names.front() + ": " + wrong.what());
  }
}

bool IsStep(const GenericVerb& verb, const std::string& rest) {
  switch (verb.Changes) {
    case Steps::Never:
      return false;
    case Steps::Always:
      return true;
    case Steps::WhenChoosing:
      return SplitWords(rest).size() >= 2;
  }
  return false;
}

std::string GenericHelp() {
  std::string help = "Generic forms, for the dialogs of any module (DIALOG/WIDGET by name):\n";
  for (const GenericVerb& verb : Verbs()) {
    help +=
        "  " + verb.Usage + std::string(verb.Usage.size() < 38 ? 38 - verb.Usage.size() : 1, ' ') + verb.Help + "\n";
  }
  help +=
      "  fault raise OP[@OBJECT][#N][:KIND] [once|persistent]\n"
      "                                        raise a host error (VexError or SystemError) at the Nth call of OP\n"
      "  fault status OP[@OBJECT][#N]=STATUS [once|persistent]\n"
      "                                        make the Nth call of OP answer a negative STATUS without raising\n"
      "                                        (CreateInterimProduct=0: a success without an object;\n"
      "                                        GetResourceValueFromKey=0: no text for the key)\n";
  return help;
}

std::vector<std::string> GenericVerbNames() {
  std::vector<std::string> names;
  for (const GenericVerb& verb : Verbs()) names.insert(names.end(), verb.Names.begin(), verb.Names.end());
  return names;
}

std::string AllocationFaultLine(int nth, FaultWhen when) {
  return "fault allocation " + std::to_string(nth) + (when == FaultWhen::Once ? " once" : " persistent");
}

std::string RaiseFaultLine(const std::string& raise, FaultWhen when) {
  return "fault raise " + ScriptWord(raise) + (when == FaultWhen::Once ? " once" : " persistent");
}

std::string StatusFaultLine(const std::string& status, FaultWhen when) {
  return "fault status " + ScriptWord(status) + (when == FaultWhen::Once ? " once" : " persistent");
}

std::string ScriptWord(const std::string& text) {
  bool plain = !text.empty() && text.front() != '#';
  for (char c : text) plain = plain && c != ' ' && c != '\t' && c != '\r' && c != '"' && c != '\\';
  if (plain) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace vexdrive
