#include "Action.h"

#include <algorithm>
#include <charconv>

#include "ActionForms.h"
#include "Errors.h"
#include "Profile.h"
#include "Text.h"
#include "vexhost/FaultPlan.h"

namespace vexdrive {

using forms::FindForm;
using forms::FindShorthand;
using forms::GenericForm;
using forms::GenericForms;
using forms::HostForms;
using forms::LineForm;
using forms::OwnForms;
using forms::Shape;

namespace {

// The word as written, quotes included.
std::string Raw(const std::string& rest, const Word& word) { return rest.substr(word.Begin, word.End - word.Begin); }

bool IsAddress(const std::string& rest, const Word& word) {
  const std::string raw = Raw(rest, word);
  return raw.find('/') != std::string::npos && raw.find('"') == std::string::npos;
}

// The generic form a line stands for: by its shape, or by its verb alone when no short form has it.
const GenericForm* FindGeneric(const ScriptLine& line, const Profile* profile) {
  const GenericForm* form = FindForm(GenericForms(), line.Verb);
  if (form == nullptr || FindShorthand(profile, line.Verb) == nullptr) return form;
  switch (form->When) {
    case Shape::Always:
      return form;
    case Shape::AnyArgument:
      return line.Rest.empty() ? nullptr : form;
    case Shape::Address: {
      const std::vector<Word> words = SplitWords(line.Rest);
      return !words.empty() && IsAddress(line.Rest, words.front()) ? form : nullptr;
    }
  }
  return nullptr;
}

Address WidgetAddress(const std::vector<Word>& words, const char* what) {
  const std::string word = words.empty() ? std::string() : words.front().Text;
  const std::size_t slash = word.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == word.size()) {
    throw LineError(std::string("expected DIALOG/") + what + ", not \"" + word + "\"");
  }
  return ParseAddress(word);
}

void ExpectWords(const std::vector<Word>& words, std::size_t count, const char* usage) {
  if (words.size() != count) throw LineError(std::string("expected: ") + usage);
}

// How a written text is to be written back: as one word when it was quoted, else as typed.
Writing WritingOf(const std::string& written) {
  return !written.empty() && written.front() == '"' ? Writing::OneWord : Writing::AsTyped;
}

// The text after the first word: the rest of the line, unquoted when it is one quoted word.
std::optional<std::string> TextAfterFirst(const std::string& rest, const std::vector<Word>& words, Writing& writing) {
  if (words.size() < 2) return std::nullopt;
  const std::string written = Trim(rest.substr(words.front().End));
  writing = WritingOf(written);
  return RestText(written);
}

// "once" (the default) or "persistent": whether the fault is met once or from then on.
FaultWhen ParseWhen(const std::vector<Word>& words, std::size_t at) {
  if (words.size() <= at || words[at].Text == "once") return FaultWhen::Once;
  if (words[at].Text == "persistent") return FaultWhen::FromThenOn;
  throw LineError("expected once or persistent, not \"" + words[at].Text + "\"");
}

bool ParseWhole(std::string_view text, long long& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

using FaultParser = std::optional<vexhost::FaultPlan> (*)(const std::string&, std::string&, vexhost::Persistence);

Action ParseFaultSpec(const std::vector<Word>& words, const char* kind, const char* form, FaultParser parse) {
  if (words.size() < 2) throw LineError(std::string("expected: fault ") + kind + " " + form + " [once|persistent]");
  const FaultWhen when = ParseWhen(words, 2);
  std::string problem;
  if (!parse(words[1].Text, problem, vexhost::Persistence::Once)) {
    throw LineError(std::string("fault ") + kind + " " + words[1].Text + ": " + problem);
  }
  return std::string(kind) == "raise" ? Action::Raise(words[1].Text, when) : Action::Status(words[1].Text, when);
}

Action ParseFault(const std::vector<Word>& words) {
  const std::string kind = words.empty() ? std::string() : words[0].Text;
  if (words.size() > 3) throw LineError("fault takes at most three words");
  if (kind == "allocation") {
    long long nth = 0;
    if (words.size() < 2 || !ParseWhole(words[1].Text, nth) || nth <= 0 || nth > 1'000'000'000) {
      throw LineError("expected: fault allocation N [once|persistent] with N a positive whole number");
    }
    return Action::FailAllocation(static_cast<int>(nth), ParseWhen(words, 2));
  }
  if (kind == "raise") return ParseFaultSpec(words, "raise", "OP[@OBJECT][#N][:KIND]", vexhost::FaultPlan::ParseRaise);
  if (kind == "status") {
    return ParseFaultSpec(words, "status", "OP[@OBJECT][#N]=STATUS", vexhost::FaultPlan::ParseStatus);
  }
  throw LineError("expected: fault allocation|raise|status ..., not \"" + kind + "\"");
}

Action ParseGenericWords(ActionVerb verb, const std::string& rest) {
  const std::vector<Word> words = SplitWords(rest);
  Action action;
  action.Verb = verb;
  switch (verb) {
    case ActionVerb::Press:
      ExpectWords(words, 1, "press DIALOG/BUTTON");
      action.Target = WidgetAddress(words, "BUTTON");
      return action;
    case ActionVerb::Close:
      ExpectWords(words, 1, "close DIALOG");
      action.Target = {words[0].Text, {}};
      return action;
    case ActionVerb::Acknowledge:
      ExpectWords(words, 1, "acknowledge DIALOG");
      action.Target = {words[0].Text, {}};
      return action;
    case ActionVerb::Type:
      action.Target = WidgetAddress(words, "EDITOR");
      action.Text = TextAfterFirst(rest, words, action.TextWriting);
      if (!action.Text) throw LineError("expected: type DIALOG/EDITOR TEXT (\"\" for an empty text)");
      return action;
    case ActionVerb::Choose:
      action.Target = WidgetAddress(words, "FRAME");
      action.Text = TextAfterFirst(rest, words, action.TextWriting).value_or("");
      return action;
    case ActionVerb::Browse:
      action.Target = WidgetAddress(words, "FRAME");
      action.Text = TextAfterFirst(rest, words, action.TextWriting);
      return action;
    case ActionVerb::Interrupt:
      ExpectWords(words, 0, "interrupt");
      return action;
    case ActionVerb::Reactivate:
      ExpectWords(words, 0, "reactivate");
      return action;
    case ActionVerb::Reopen:
      ExpectWords(words, 0, "reopen");
      return action;
    case ActionVerb::Fault:
      return ParseFault(words);
    case ActionVerb::Start:
    case ActionVerb::Active:
    case ActionVerb::NoEditor:
      break;
  }
  throw LineError("no generic form");
}

Action ParseGeneric(const GenericForm& form, const std::string& rest) {
  try {
    return ParseGenericWords(form.Verb, rest);
  } catch (const LineError& wrong) {
    throw LineError(form.Names.front() + ": " + wrong.what());
  }
}

// The rest of a line as one text, when the verb takes one; nothing when none is written.
std::optional<std::string> CheckedText(const ScriptLine& line, Takes takes, const std::string& usage,
                                       Writing& writing) {
  if (takes == Takes::Nothing && !line.Rest.empty()) {
    throw LineError(line.Verb + " takes nothing after it (found " + Echo(line.Rest) + ")");
  }
  if (takes == Takes::Text && line.Rest.empty()) {
    throw LineError(line.Verb + " needs an argument (expected: " + usage + ")");
  }
  if (line.Rest.empty()) return std::nullopt;
  writing = WritingOf(line.Rest);
  return RestText(line.Rest);
}

Action ParseShorthand(const Shorthand& shorthand, const ScriptLine& line) {
  Writing writing = Writing::OneWord;
  std::optional<std::string> text = CheckedText(line, shorthand.Argument, shorthand.Usage, writing);
  // Browsing with an empty name lists, as browsing with none does.
  if (shorthand.Stands == ActionVerb::Browse && text && text->empty()) text.reset();
  return ShortAction(shorthand, line.Verb, std::move(text), writing);
}
std::string Persistence(FaultWhen when) { return when == FaultWhen::Once ? " once" : " persistent"; }

std::string TargetedLine(const char* verb, const Action& action) {
  std::string line = std::string(verb) + " " + action.Target.Text();
  return action.Text ? line + " " + ScriptWord(*action.Text, action.TextWriting) : line;
}

Action Made(ActionVerb verb, Address target = {}, std::optional<std::string> text = {}, Writing writing = {}) {
  Action action;
  action.Verb = verb;
  action.Target = std::move(target);
  action.Text = std::move(text);
  action.TextWriting = writing;
  return action;
}

Action MadeFault(FaultKind kind, const std::string& rule, FaultWhen when) {
  Action action = Made(ActionVerb::Fault, {}, rule);
  action.Fault = kind;
  action.When = when;
  return action;
}

}  // namespace

Action Action::Start(const std::string& command, Writing writing) {
  return Made(ActionVerb::Start, {}, command, writing);
}
Action Action::Active(const std::string& path, Writing writing) { return Made(ActionVerb::Active, {}, path, writing); }
Action Action::NoEditor() { return Made(ActionVerb::NoEditor); }
Action Action::Press(const std::string& dialog, const std::string& button) {
  return Made(ActionVerb::Press, {dialog, button});
}
Action Action::Type(const std::string& dialog, const std::string& editor, const std::string& text, Writing writing) {
  return Made(ActionVerb::Type, {dialog, editor}, text, writing);
}
Action Action::Choose(const std::string& dialog, const std::string& frame, const std::string& className,
                      Writing writing) {
  return Made(ActionVerb::Choose, {dialog, frame}, className, writing);
}
Action Action::Browse(const std::string& dialog, const std::string& frame, const std::optional<std::string>& className,
                      Writing writing) {
  return Made(ActionVerb::Browse, {dialog, frame}, className, writing);
}
Action Action::Close(const std::string& dialog) { return Made(ActionVerb::Close, {dialog, {}}); }
Action Action::Acknowledge(const std::string& dialog) { return Made(ActionVerb::Acknowledge, {dialog, {}}); }
Action Action::Interrupt() { return Made(ActionVerb::Interrupt); }
Action Action::Reactivate() { return Made(ActionVerb::Reactivate); }
Action Action::Reopen() { return Made(ActionVerb::Reopen); }
Action Action::FailAllocation(int nth, FaultWhen when) {
  return MadeFault(FaultKind::Allocation, std::to_string(nth), when);
}
Action Action::Raise(const std::string& raise, FaultWhen when) { return MadeFault(FaultKind::Raise, raise, when); }
Action Action::Status(const std::string& status, FaultWhen when) { return MadeFault(FaultKind::Status, status, when); }

Action ShortAction(const Shorthand& shorthand, const std::string& name, std::optional<std::string> text,
                   Writing writing) {
  Action action = Made(shorthand.Stands, shorthand.Target, std::move(text), writing);
  action.Shorthand = name;
  return action;
}

std::optional<Action> ParseAction(const ScriptLine& line, const Profile* profile) {
  if (line.Verb.empty()) return std::nullopt;
  if (const GenericForm* generic = FindGeneric(line, profile)) return ParseGeneric(*generic, line.Rest);
  if (const Shorthand* shorthand = FindShorthand(profile, line.Verb)) return ParseShorthand(*shorthand, line);
  Writing writing = Writing::OneWord;
  if (const LineForm* host = FindForm(HostForms(), line.Verb)) {
    std::optional<std::string> text = CheckedText(line, host->Argument, host->Usage, writing);
    return Made(*host->Verb, {}, std::move(text), writing);
  }
  if (const LineForm* own = FindForm(OwnForms(), line.Verb)) {
    CheckedText(line, own->Argument, own->Usage, writing);
    return std::nullopt;
  }
  throw LineError("unknown command " + Echo(line.Verb) + " (expected one of: " + Join(VerbNames(profile), ", ") + ")");
}

std::string ActionLine(const Action& action) {
  if (!action.Shorthand.empty()) {
    return action.Text ? action.Shorthand + " " + ScriptWord(*action.Text, action.TextWriting) : action.Shorthand;
  }
  const std::string text = action.Text.value_or("");
  switch (action.Verb) {
    case ActionVerb::Start:
      return "start " + ScriptWord(text, action.TextWriting);
    case ActionVerb::Active:
      return "active " + ScriptWord(text, action.TextWriting);
    case ActionVerb::NoEditor:
      return "noeditor";
    case ActionVerb::Press:
      return "press " + action.Target.Text();
    case ActionVerb::Type:
      return TargetedLine("type", action);
    case ActionVerb::Choose:
      return TargetedLine("choose", Made(action.Verb, action.Target, text, action.TextWriting));
    case ActionVerb::Browse:
      return TargetedLine("browse", action);
    case ActionVerb::Close:
      return "close " + ScriptWord(action.Target.Dialog);
    case ActionVerb::Acknowledge:
      return "acknowledge " + ScriptWord(action.Target.Dialog);
    case ActionVerb::Interrupt:
      return "interrupt";
    case ActionVerb::Reactivate:
      return "reactivate";
    case ActionVerb::Reopen:
      return "reopen";
    case ActionVerb::Fault:
      break;
  }
  switch (action.Fault) {
    case FaultKind::Allocation:
      return "fault allocation " + text + Persistence(action.When);
    case FaultKind::Raise:
      return "fault raise " + ScriptWord(text) + Persistence(action.When);
    case FaultKind::Status:
      return "fault status " + ScriptWord(text) + Persistence(action.When);
  }
  return {};
}

std::string ScriptWord(const std::string& text, Writing writing) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  bool plain = !text.empty();
  if (writing == Writing::OneWord) {
    plain = plain && text.front() != '#' &&
            std::none_of(text.begin(), text.end(), [&](char c) { return blank(c) || c == '"' || c == '\\'; });
  } else {
    // The rest of a line is trimmed, a '#' at the start of a word begins a comment, and a quote
    // opens a quoted text.
    plain = plain && !blank(text.front()) && !blank(text.back()) && text.find_first_of("\"#") == std::string::npos;
  }
  if (plain) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}
}  // namespace vexdrive
