#include "Expectations.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

#include "Errors.h"
#include "ProductTree.h"
#include "Profile.h"
#include "Sight.h"
#include "Text.h"
#include "Words.h"

namespace vexdrive {

const std::vector<ExpectationForm> ExpectationForms{
    {"count PATH N", "the product at PATH has N children"},
    {"child PATH CLASS", "the product at PATH has an interim child of class CLASS"},
    {"partnumber PATH TEXT", "the product at PATH has the part number TEXT"},
    {"dialog NAME shown|hidden|absent", "the dialog named NAME is open and shown, open and hidden, or not open"},
    {"text DIALOG[/WIDGET] TEXT", "the exact text of an editor, label or combo, or of a message box (DIALOG)"},
    {"sensitive DIALOG[/WIDGET] on|off", "it can be used, or is greyed out (by itself, its window or a frame)"},
    {"widget DIALOG/WIDGET shown|hidden|absent", "shown with all that holds it, not shown, or not there"},
    {"title DIALOG[/WIDGET] TEXT", "the title a person reads: the one set or the resource text, else the name"},
    {"running yes|no", "a command is running or not"},
    {"unseen yes|no", "a command runs with no dialog shown, which a person can neither see nor end, or not"},
    {"steps within MS", "every step so far took at most MS milliseconds"},
    {"error TEXT", "short for the error box's text (may be empty)"},
    {"ok on|off", "short for the sensitivity of the panel's OK"},
    {"browser on|off", "short for whether the panel's class browser can be opened"},
    {"editor TEXT", "short for the text of the panel's part-number editor (may be empty)"},
    {"answered", "the last press of a button or close box reached the command (an action ran or it ended)"},
};

std::string ExpectationKinds() {
  std::vector<std::string> kinds;
  for (const auto& form : ExpectationForms) {
    const std::string text = form.Form;
    kinds.push_back(text.substr(0, text.find(' ')));
  }
  return Join(kinds, ", ");
}

namespace {

using vexhost::WidgetView;

// A text that is one of two words: true for the first.
bool Either(const std::string& text, const char* yes, const char* no, const char* form) {
  if (text == yes) return true;
  if (text == no) return false;
  throw LineError("expect " + std::string(form) + ": expected " + yes + " or " + no + ", not " + Echo(text));
}

// Splits off the last word: (everything before it, the last word).
std::pair<std::string, std::string> LastWord(const std::string& text, const char* form) {
  const std::vector<Word> words = SplitWords(text);
  if (words.size() < 2) throw LineError(std::string("expected: expect ") + form);
  return {RestText(Trim(text.substr(0, words.back().Begin))), words.back().Text};
}

// The product at a path written in an expectation; a malformed path is a bad line.
std::optional<vexhost::ProductSight> ProductAt(Desk& desk, const std::string& path) {
  try {
    return desk.Product(path);
  } catch (const std::invalid_argument& malformed) {
    throw LineError("the path " + Echo(path) + " " + malformed.what());
  }
}

bool NamesAProduct(Desk& desk, const std::string& path) {
  try {
    return desk.Product(path).has_value();
  } catch (const std::invalid_argument&) {
    return false;
  }
}

// Splits "PATH TEXT" where the path may hold blanks: a quoted path, else the longest run of
// words that names a product, else the first word.
std::pair<std::string, std::string> PathAndText(Desk& desk, const std::string& text) {
  const std::vector<Word> words = SplitWords(text);
  if (words.empty()) throw LineError("expected: expect partnumber PATH TEXT");
  std::size_t end = words.front().End;
  if (text.front() != '"') {
    for (const auto& word : words) {
      if (NamesAProduct(desk, text.substr(0, word.End))) end = word.End;
    }
  }
  return {RestText(Trim(text.substr(0, end))), RestText(Trim(text.substr(end)))};
}

std::string NoProductAt(const std::string& path) { return "no product at " + Quoted(path); }

std::string Children(std::size_t count) { return std::to_string(count) + (count == 1 ? " child" : " children"); }

Verdict Count(Desk& desk, const std::string& text) {
  const auto [path, number] = LastWord(text, "count PATH N");
  std::size_t expected = 0;
  const auto [end, problem] = std::from_chars(number.data(), number.data() + number.size(), expected);
  if (problem != std::errc() || end != number.data() + number.size()) {
    throw LineError("expect count: expected a number of children, not " + Echo(number));
  }
  Verdict verdict{false, Children(expected) + " under " + Printable(path), {}};
  const auto product = ProductAt(desk, path);
  verdict.Found = !product ? NoProductAt(path) : Children(product->ChildCount);
  verdict.Passed = product && product->ChildCount == expected;
  return verdict;
}

Verdict Child(Desk& desk, const std::string& text) {
  const auto [path, className] = LastWord(text, "child PATH CLASS");
  Verdict verdict{false, "an interim " + Printable(className) + " under " + Printable(path), {}};
  if (!ProductAt(desk, path)) {
    verdict.Found = NoProductAt(path);
    return verdict;
  }
  std::vector<std::string> interim;
  for (const auto& child : desk.Children(path)) {
    if (child.InterimClass.empty()) continue;
    interim.push_back(Printable(child.Name) + " (" + Printable(child.InterimClass) + ")");
    verdict.Passed = verdict.Passed || child.InterimClass == className;
  }
  verdict.Found = "interim children: " + (interim.empty() ? std::string("none") : Join(interim, ", "));
  return verdict;
}

Verdict PartNumber(Desk& desk, const std::string& text) {
  const auto [path, partNumber] = PathAndText(desk, text);
  Verdict verdict{false, "part number " + Quoted(partNumber) + " on " + Printable(path), {}};
  const auto product = ProductAt(desk, path);
  verdict.Found = !product ? NoProductAt(path) : "part number " + Quoted(product->Product.PartNumber);
  verdict.Passed = product && product->Product.PartNumber == partNumber;
  return verdict;
}

Verdict Dialog(Desk& desk, const std::string& text) {
  const auto [name, state] = LastWord(text, "dialog NAME shown|hidden|absent");
  if (state != "shown" && state != "hidden" && state != "absent") {
    throw LineError("expect dialog: expected shown, hidden or absent, not " + Echo(state));
  }
  const auto window = desk.See(name);
  const std::string found = !window ? "absent" : window->Visible ? "shown" : "hidden";
  return {found == state, Printable(name) + " " + state, Printable(name) + " " + found};
}

// A verdict on the panel, or a failed one when no panel is open.
Verdict OnPanel(Desk& desk, const Profile& profile, const std::string& expected,
                const std::function<Verdict(const WidgetView&)>& check) {
  const auto panel = desk.See(profile.Panel);
  if (!panel) return {false, expected, "no dialog named " + profile.Panel + " is open"};
  Verdict verdict = check(*panel);
  verdict.Expected = expected;
  return verdict;
}

std::string OnOff(bool on) { return on ? "on" : "off"; }

Verdict Ok(Desk& desk, const std::string& text, const Profile& profile) {
  const bool on = Either(text, "on", "off", "ok");
  return OnPanel(desk, profile, "OK " + OnOff(on), [&](const WidgetView& panel) {
    const auto ok = Meet(panel, "OK");
    const bool sensitive = ok && ok->Sensitive;
    return Verdict{sensitive == on, {}, "OK " + OnOff(sensitive)};
  });
}

Verdict Browser(Desk& desk, const std::string& text, const Profile& profile) {
  const bool on = Either(text, "on", "off", "browser");
  return OnPanel(desk, profile, "browser " + OnOff(on), [&](const WidgetView& panel) {
    const auto button = Meet(panel, profile.BrowserButton);
    const bool available = button && button->Shown && button->Sensitive;
    return Verdict{available == on, {}, "browser " + OnOff(available)};
  });
}

// `expect editor` and `expect error` read the panel's editor and the error box alone. A first word
// written as DIALOG/WIDGET means another dialog was meant, which they would compare with the whole
// text: refused, naming the form that checks it.
void RefuseAnAddress(const std::string& text, const char* form, const char* reads) {
  const std::vector<Word> words = SplitWords(text);
  if (words.empty()) return;
  const std::string raw = text.substr(words.front().Begin, words.front().End - words.front().Begin);
  if (raw.find('/') == std::string::npos || raw.find('"') != std::string::npos) return;
  throw LineError(std::string("expect ") + form + " reads " + reads + ", and " + Echo(raw) +
                  " looks like DIALOG/WIDGET: for any dialog's text write expect text DIALOG[/WIDGET] TEXT; to "
                  "compare a text that starts with such a word, quote the text");
}

Verdict Editor(Desk& desk, const std::string& text, const Profile& profile) {
  RefuseAnAddress(text, "editor", "the panel's part-number editor");
  const std::string expected = RestText(text);
  return OnPanel(desk, profile, "part-number editor " + Quoted(expected), [&](const WidgetView& panel) {
    const WidgetView* editor = panel.Find(profile.Editor);
    if (editor == nullptr) return Verdict{false, {}, "no part-number editor"};
    const std::string shown = Join(editor->Lines, "\n");
    return Verdict{shown == expected, {}, "part-number editor " + Quoted(shown)};
  });
}

Verdict Error(Desk& desk, const std::string& text, const Profile& profile) {
  RefuseAnAddress(text, "error", "the error box");
  const std::string expected = RestText(text);
  Verdict verdict{false, "error box text " + Quoted(expected), {}};
  const auto box = desk.See(profile.ErrorBox);
  if (!box || box->Lines.empty()) {
    verdict.Found = "no dialog named " + profile.ErrorBox + " is open";
    return verdict;
  }
  verdict.Found = "error box text " + Quoted(box->Lines.front());
  verdict.Passed = box->Lines.front() == expected;
  return verdict;
}

// The name of a window or widget as a message shows it.
std::string NameOf(const Address& address) { return "'" + Printable(address.Text()) + "'"; }

std::string OpenDialogs(Desk& desk) {
  std::vector<std::string> names;
  for (const auto& window : desk.OpenWindows()) names.push_back("'" + Printable(window.Name) + "'");
  return names.empty() ? std::string("no dialog is open") : "open: " + Join(names, ", ");
}

// What a person meets at the address, or why nothing is there: which dialogs are open, or which
// widgets the dialog has, so that a mistyped name shows the right one.
struct Met {
  std::optional<Sighting> Sight;
  std::string Missing;
};

Met MeetAt(Desk& desk, const Address& address) {
  const auto window = desk.See(address.Dialog);
  if (!window) {
    return {std::nullopt, "no dialog named '" + Printable(address.Dialog) + "' is open (" + OpenDialogs(desk) + ")"};
  }
  auto sight = Meet(*window, address.Widget);
  if (!sight) {
    std::vector<std::string> names;
    for (const auto& name : WidgetNames(*window)) names.push_back(Printable(name));
    return {std::nullopt, "'" + Printable(address.Dialog) + "' has no widget named '" + Printable(address.Widget) +
                              "' (it has: " + (names.empty() ? std::string("none") : Join(names, ", ")) + ")"};
  }
  return {std::move(sight), {}};
}

// The address written as the first word (quoted when it holds blanks) and the text after it, which
// must be there ("" for an empty text).
std::pair<Address, std::string> AddressAndText(const std::string& text, const char* form) {
  const std::vector<Word> words = SplitWords(text);
  if (words.size() < 2) throw LineError(std::string("expected: expect ") + form + " (\"\" for an empty text)");
  return {ParseAddress(words.front().Text), RestText(Trim(text.substr(words.front().End)))};
}

Verdict Text(Desk& desk, const std::string& text) {
  const auto [address, expected] = AddressAndText(text, "text DIALOG[/WIDGET] TEXT");
  Verdict verdict{false, "text of " + NameOf(address) + " " + Quoted(expected), {}};
  const Met met = MeetAt(desk, address);
  if (!met.Sight) {
    verdict.Found = met.Missing;
  } else if (!met.Sight->Text) {
    const char* instead =
        address.Widget.empty() ? " (name one of its widgets: DIALOG/WIDGET)" : " (expect title reads its title)";
    verdict.Found = NameOf(address) + " is a " + met.Sight->Kind + ", which holds no text" + instead;
  } else {
    verdict.Found = "text of " + NameOf(address) + " " + Quoted(*met.Sight->Text);
    verdict.Passed = *met.Sight->Text == expected;
  }
  return verdict;
}

Verdict Title(Desk& desk, const std::string& text) {
  const auto [address, expected] = AddressAndText(text, "title DIALOG[/WIDGET] TEXT");
  Verdict verdict{false, "title of " + NameOf(address) + " " + Quoted(expected), {}};
  const Met met = MeetAt(desk, address);
  verdict.Found = met.Sight ? "title of " + NameOf(address) + " " + Quoted(met.Sight->Title) : met.Missing;
  verdict.Passed = met.Sight && met.Sight->Title == expected;
  return verdict;
}

Verdict Sensitive(Desk& desk, const std::string& text) {
  const auto [where, state] = LastWord(text, "sensitive DIALOG[/WIDGET] on|off");
  const bool on = Either(state, "on", "off", "sensitive");
  const Address address = ParseAddress(where);
  Verdict verdict{false, NameOf(address) + " " + OnOff(on), {}};
  const Met met = MeetAt(desk, address);
  if (!met.Sight) {
    verdict.Found = met.Missing;
    return verdict;
  }
  verdict.Found = NameOf(address) + " " + OnOff(met.Sight->Sensitive);
  if (!met.Sight->GreyedBy.empty()) verdict.Found += " (greyed out by '" + Printable(met.Sight->GreyedBy) + "')";
  verdict.Passed = met.Sight->Sensitive == on;
  return verdict;
}

Verdict Widget(Desk& desk, const std::string& text) {
  const auto [where, state] = LastWord(text, "widget DIALOG/WIDGET shown|hidden|absent");
  if (state != "shown" && state != "hidden" && state != "absent") {
    throw LineError("expect widget: expected shown, hidden or absent, not " + Echo(state));
  }
  const Address address = ParseAddress(where);
  if (address.Widget.empty()) {
    throw LineError("expect widget: expected DIALOG/WIDGET, not " + Echo(where) +
                    " (a window itself: expect dialog NAME shown|hidden|absent)");
  }
  const Met met = MeetAt(desk, address);
  const std::string found = !met.Sight ? "absent" : met.Sight->Shown ? "shown" : "hidden";
  Verdict verdict{found == state, NameOf(address) + " " + state, NameOf(address) + " " + found};
  if (!met.Sight) verdict.Found += ": " + met.Missing;
  return verdict;
}

std::string RunningText(bool running) { return running ? "a command running" : "no command running"; }

Verdict Running(Desk& desk, const std::string& text) {
  const bool running = Either(text, "yes", "no", "running");
  return {desk.Running() == running, RunningText(running), RunningText(desk.Running())};
}

std::string UnseenText(bool unseen) {
  return unseen ? "a command running with no dialog shown" : "no command running unseen";
}

Verdict Unseen(Desk& desk, const std::string& text) {
  const bool expected = Either(text, "yes", "no", "unseen");
  bool shown = false;
  for (const auto& window : desk.OpenWindows()) shown = shown || window.Visible;
  const bool unseen = desk.Running() && !shown;
  return {unseen == expected, UnseenText(expected), UnseenText(unseen)};
}

Verdict Steps(const std::string& text, const StepTimes& times) {
  const std::vector<Word> words = SplitWords(text);
  long long most = 0;
  const std::string number = words.size() == 2 ? words[1].Text : std::string();
  const auto [end, problem] = std::from_chars(number.data(), number.data() + number.size(), most);
  if (words.size() != 2 || words[0].Text != "within" || problem != std::errc() ||
      end != number.data() + number.size() || most < 0) {
    throw LineError("expected: expect steps within MS (a number of milliseconds), not " + Echo(text));
  }
  char took[32];
  std::snprintf(took, sizeof took, "%.1f", times.SlowestMs);
  Verdict verdict{
      times.SlowestMs <= static_cast<double>(most), "every step within " + std::to_string(most) + " ms", {}};
  verdict.Found =
      times.Slowest.empty() ? std::string("no step yet") : "`" + Printable(times.Slowest) + "` took " + took + " ms";
  return verdict;
}

Verdict Answered(Desk& desk, const std::string& text) {
  if (!text.empty()) throw LineError("expect answered takes nothing after it (found " + Echo(text) + ")");
  const std::optional<bool> answered = desk.LastPressAnswered();
  const std::string expected = "the last press answered by the command";
  if (!answered) return {false, expected, "nothing was pressed"};
  return {*answered, expected,
          *answered ? expected : "the last press reached no action of the command and did not end it"};
}

}  // namespace

Verdict CheckExpectation(Desk& desk, const std::string& words, const StepTimes& times, const Profile* profile) {
  using Check = Verdict (*)(Desk&, const std::string&);
  static const std::map<std::string, Check, std::less<>> checks{
      {"count", Count},     {"child", Child},   {"partnumber", PartNumber}, {"dialog", Dialog},
      {"text", Text},       {"title", Title},   {"sensitive", Sensitive},   {"widget", Widget},
      {"running", Running}, {"unseen", Unseen}, {"answered", Answered}};
  // The short forms read the dialogs that the module's profile names.
  using PanelCheck = Verdict (*)(Desk&, const std::string&, const Profile&);
  static const std::map<std::string, PanelCheck, std::less<>> panelChecks{
      {"error", Error}, {"ok", Ok}, {"browser", Browser}, {"editor", Editor}};
  const std::size_t kindEnd = words.find_first_of(" \t");
  const std::string kind = words.substr(0, kindEnd);
  const std::string rest = kindEnd == std::string::npos ? std::string() : Trim(words.substr(kindEnd));
  if (kind == "steps") return Steps(rest, times);
  if (auto panel = panelChecks.find(kind); panel != panelChecks.end()) {
    if (profile == nullptr) {
      throw LineError("expect " + kind + " reads the dialogs of a module's profile, and no profile is given");
    }
    return panel->second(desk, rest, *profile);
  }
  auto found = checks.find(kind);
  if (found == checks.end()) {
    throw LineError("unknown expectation " + Echo(kind) + " (expected one of: " + ExpectationKinds() + ")");
  }
  return found->second(desk, rest);
}

}  // namespace vexdrive
