#include "Expectations.h"

#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

#include "Errors.h"
#include "Names.h"
#include "ProductTree.h"
#include "Text.h"
#include "Words.h"

namespace vexdrive {

const std::vector<ExpectationForm> ExpectationForms{
    {"count PATH N", "the product at PATH has N children"},
    {"child PATH CLASS", "the product at PATH has an interim child of class CLASS"},
    {"partnumber PATH TEXT", "the product at PATH has the part number TEXT"},
    {"dialog NAME shown|hidden|absent", "the dialog named NAME is open and shown, open and hidden, or not open"},
    {"error TEXT", "the error box holds TEXT (may be empty)"},
    {"ok on|off", "the panel's OK is sensitive or not"},
    {"browser on|off", "the class browser can be opened or not"},
    {"editor TEXT", "the part-number editor holds TEXT (may be empty)"},
    {"running yes|no", "a command is running or not"},
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
Verdict OnPanel(Desk& desk, const std::string& expected, const std::function<Verdict(const WidgetView&)>& check) {
  const auto panel = desk.See(PanelName);
  if (!panel) return {false, expected, std::string("no dialog named ") + PanelName + " is open"};
  Verdict verdict = check(*panel);
  verdict.Expected = expected;
  return verdict;
}

std::string OnOff(bool on) { return on ? "on" : "off"; }

Verdict Ok(Desk& desk, const std::string& text) {
  const bool on = Either(text, "on", "off", "ok");
  return OnPanel(desk, "OK " + OnOff(on), [&](const WidgetView& panel) {
    return Verdict{panel.OKSensitive == on, {}, "OK " + OnOff(panel.OKSensitive)};
  });
}

Verdict Browser(Desk& desk, const std::string& text) {
  const bool on = Either(text, "on", "off", "browser");
  return OnPanel(desk, "browser " + OnOff(on), [&](const WidgetView& panel) {
    const WidgetView* button = panel.Find(BrowserButtonName);
    const bool available = button != nullptr && button->Visible && button->Sensitive;
    return Verdict{available == on, {}, "browser " + OnOff(available)};
  });
}

Verdict Editor(Desk& desk, const std::string& text) {
  const std::string expected = RestText(text);
  return OnPanel(desk, "part-number editor " + Quoted(expected), [&](const WidgetView& panel) {
    const WidgetView* editor = panel.Find(PartNumberEditorName);
    if (editor == nullptr) return Verdict{false, {}, "no part-number editor"};
    const std::string shown = Join(editor->Lines, "\n");
    return Verdict{shown == expected, {}, "part-number editor " + Quoted(shown)};
  });
}

Verdict Error(Desk& desk, const std::string& text) {
  const std::string expected = RestText(text);
  Verdict verdict{false, "error box text " + Quoted(expected), {}};
  const auto box = desk.See(ErrorBoxName);
  if (!box || box->Lines.empty()) {
    verdict.Found = std::string("no dialog named ") + ErrorBoxName + " is open";
    return verdict;
  }
  verdict.Found = "error box text " + Quoted(box->Lines.front());
  verdict.Passed = box->Lines.front() == expected;
  return verdict;
}

std::string RunningText(bool running) { return running ? "a command running" : "no command running"; }

Verdict Running(Desk& desk, const std::string& text) {
  const bool running = Either(text, "yes", "no", "running");
  return {desk.Running() == running, RunningText(running), RunningText(desk.Running())};
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

Verdict CheckExpectation(Desk& desk, const std::string& words) {
  using Check = Verdict (*)(Desk&, const std::string&);
  static const std::map<std::string, Check, std::less<>> checks{
      {"count", Count}, {"child", Child}, {"partnumber", PartNumber}, {"dialog", Dialog}, {"error", Error},
      {"ok", Ok},       {"browser", Browser}, {"editor", Editor},    {"running", Running},
      {"answered", Answered}};
  const std::size_t kindEnd = words.find_first_of(" \t");
  const std::string kind = words.substr(0, kindEnd);
  const std::string rest = kindEnd == std::string::npos ? std::string() : Trim(words.substr(kindEnd));
  auto found = checks.find(kind);
  if (found == checks.end()) {
    throw LineError("unknown expectation " + Echo(kind) + " (expected one of: " + ExpectationKinds() + ")");
  }
  return found->second(desk, rest);
}

}  // namespace vexdrive
