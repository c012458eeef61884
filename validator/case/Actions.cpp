#include "Actions.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "drive/Errors.h"
#include "drive/Text.h"
#include "vex/StateCommand.h"
#include "vexhost/Hands.h"
#include "vexhost/Session.h"
#include "vexhost/Snapshot.h"

namespace vexvalidator {

namespace {

using vexdrive::Action;
using vexhost::WidgetView;

// Names that a script address can hold: DIALOG/WIDGET is one unquoted word.
bool Addressable(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c == ' ' || c == '\t' || c == '"' || c == '\\' || c == '/' || c == '#') return false;
  }
  return true;
}

bool IsMessageBox(const WidgetView& window) { return window.HasOK && window.Class != "VexDlgDialog"; }

void DialogButtons(const WidgetView& window, std::vector<Action>& actions) {
  if (IsMessageBox(window)) {
    actions.push_back(Action::Acknowledge(window.Name));
    return;
  }
  if (window.Class != "VexDlgDialog") return;
  if (window.OKSensitive) actions.push_back(Action::Press(window.Name, "OK"));
  actions.push_back(Action::Press(window.Name, "Cancel"));
  actions.push_back(Action::Close(window.Name));
}

void ClassFrameActions(vexhost::Session& session, const std::string& dialog, const WidgetView& frame,
                       std::vector<Action>& actions) {
  try {
    for (const auto& offered : vexhost::Hands(session).Browse(dialog, frame.Name)) {
      actions.push_back(Action::Browse(dialog, frame.Name, offered));
    }
  } catch (const vexhost::Refused&) {
    // No browser to open: the class can still be typed.
  }
  actions.push_back(Action::Choose(dialog, frame.Name, TypedClass));
}

// Widgets a person can reach: shown, and sensitive where they take input.
void WidgetActions(vexhost::Session& session, const std::string& dialog, const WidgetView& widget,
                   std::vector<Action>& actions) {
  for (const WidgetView& child : widget.Children) {
    // A person can use only what is shown and not greyed out.
    if (!child.Visible || !child.Sensitive || !Addressable(child.Name)) continue;
    if (child.Class == "VexStrObjectClassFrame") {
      // The frame's editor and browser button are the frame's own: using them is choosing a class.
      if (child.Sensitive) ClassFrameActions(session, dialog, child, actions);
      continue;
    }
    if (child.Class == "VexDlgEditor" && child.Sensitive) {
      const EditorShape shape{child.Lines.empty() ? std::string() : child.Lines.front(), child.VisibleTextWidth,
                              child.MaxCharacterWidth};
      for (const auto& text : SampleTexts(shape)) {
        actions.push_back(Action::Type(dialog, child.Name, text));
      }
    }
    WidgetActions(session, dialog, child, actions);
  }
}

// FNV-1a, 64 bits: states are compared by digest.
class Digest {
 public:
  void Add(const std::string& text) {
    for (unsigned char c : text) _Hash = (_Hash ^ c) * 1099511628211ULL;
    _Hash = (_Hash ^ 0xFFU) * 1099511628211ULL;  // a separator, so that "ab","c" differs from "a","bc"
  }
  void Add(long long value) { Add(std::to_string(value)); }
  std::string Text() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(_Hash));
    return text;
  }

 private:
  std::uint64_t _Hash = 14695981039346656037ULL;
};

void AddWidget(Digest& digest, const WidgetView& widget) {
  digest.Add(widget.Class);
  digest.Add(widget.Name);
  digest.Add(widget.Title);
  digest.Add((widget.Visible ? 1 : 0) + (widget.Sensitive ? 2 : 0) + (widget.OKSensitive ? 4 : 0));
  digest.Add(static_cast<long long>(widget.Lines.size()));
  for (const auto& line : widget.Lines) digest.Add(line);
  digest.Add(widget.Shown);
  digest.Add(static_cast<long long>(widget.Children.size()));
  for (const auto& child : widget.Children) AddWidget(digest, child);
}

// `count` digits, counting up from `first`: "1234567890123".
std::string Digits(int count, int first = 1) {
  std::string digits;
  for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + (first + i) % 10);
  return digits;
}

// `count` letters: "abcdefghij...".
std::string Letters(int count) {
  std::string letters;
  for (int i = 0; i < count; ++i) letters += static_cast<char>('a' + i % 26);
  return letters;
}

// The text's first `width` characters.
std::string FitTo(const std::string& text, int width) {
  std::string fitted;
  int taken = 0;
  for (const auto& character : vexdrive::Characters(text)) {
    if (taken++ == width) break;
    fitted += character;
  }
  return fitted;
}

void AddProduct(Digest& digest, const vexhost::ProductData& product) {
  digest.Add(product.Name);
  digest.Add(product.PartNumber);
  digest.Add(product.InterimClass);
  digest.Add(static_cast<long long>(product.Children.size()));
  for (const auto& child : product.Children) AddProduct(digest, child);
}

}  // namespace

std::vector<std::string> SampleTexts(const EditorShape& editor) {
  // Exactly the maximum width in characters, with a character that takes two bytes first, so that
  // a module counting bytes is caught; without a maximum, a long text.
  const int width = editor.MaxWidth > 0 ? editor.MaxWidth : 256;
  std::vector<std::string> texts;
  // The host refuses a text wider than the editor, as a real editor takes no more: a sample must fit.
  auto add = [&](const std::string& text) {
    std::string fitted = FitTo(text, width);
    if (std::find(texts.begin(), texts.end(), fitted) == texts.end()) texts.push_back(std::move(fitted));
  };
  add("");
  add("Part 7-A");
  add("\xC3\x9C"
      "berbau \xC3\x98"
      "7 \xE8\x88\xB9");
  add("\xC3\x84" + Digits(width - 1, 1));
  // Drawn from what the editor shows: a module that reads it back may take only what it showed.
  // Lengthened to the maximum, so that what was typed, shown in turn, draws no longer text again.
  const std::vector<std::string> shownCharacters = vexdrive::Characters(editor.Shown);
  const int shownWidth = static_cast<int>(shownCharacters.size());
  const bool shownDigits = shownWidth > 0 && std::all_of(editor.Shown.begin(), editor.Shown.end(),
                                                         [](char c) { return c >= '0' && c <= '9'; });
  if (shownWidth > 0) {
    add(editor.Shown);
    add(editor.Shown + Digits(width));
    add(editor.Shown + Letters(width));
  }
  // Digits alone one longer than what is shown, unless that is digits already: each would then
  // draw the next.
  if (!shownDigits) add(Digits(shownWidth + 1));
  // One past what a person sees at once, and as wide as the editor takes.
  if (editor.VisibleWidth > 0) add(Digits(editor.VisibleWidth + 1));
  add(Digits(width));
  add("   ");
  return texts;
}

std::vector<std::string> SampleTexts(int maxCharacterWidth) {
  return SampleTexts(EditorShape{"", 0, maxCharacterWidth});
}

std::vector<Action> PossibleActions(vexhost::Session& session, const Scene& scene) {
  std::vector<Action> actions;
  for (const WidgetView& window : scene.Windows) {
    if (!window.Visible || !window.Sensitive || !Addressable(window.Name)) continue;
    DialogButtons(window, actions);
    WidgetActions(session, window.Name, window, actions);
  }
  return actions;
}

std::vector<std::string> PossibleLines(vexhost::Session& session, const Scene& scene) {
  std::vector<std::string> lines;
  for (const Action& action : PossibleActions(session, scene)) lines.push_back(vexdrive::ActionLine(action));
  return lines;
}

std::vector<std::string> PossibleLines(vexhost::Session& session) { return PossibleLines(session, LookAt(session)); }

std::optional<Action> ActionOf(const std::string& line) {
  try {
    const std::optional<vexdrive::ScriptLine> parsed = vexdrive::ParseLine(line, 1);
    return parsed ? vexdrive::ParseAction(*parsed) : std::nullopt;
  } catch (const vexdrive::LineError&) {
    return std::nullopt;
  }
}

std::string StartLine(const std::string& command) {
  return vexdrive::ActionLine(Action::Start(command, vexdrive::Writing::AsTyped));
}

bool LineIs(const std::string& line, vexdrive::ActionVerb verb) {
  const std::optional<Action> action = ActionOf(line);
  return action && action->Verb == verb;
}

std::string StateFingerprint(vexhost::Session& session) { return StateFingerprint(session, LookAt(session)); }

std::string StateFingerprint(vexhost::Session& session, const Scene& scene) {
  return StateFingerprint(session, scene, CommandState(session));
}

std::string CommandState(vexhost::Session& session) {
  VexStateCommand* running = session.RunningCommand();
  return running == nullptr ? "(none)" : vexhost::SnapshotGraph(*running).CurrentState;
}

std::string StateFingerprint(vexhost::Session& session, const Scene& scene, const std::string& commandState) {
  Digest digest;
  digest.Add(commandState);
  for (const WidgetView& window : scene.Windows) AddWidget(digest, window);
  if (session.HasDocument()) {
    const vexhost::DocumentData& document = session.DocumentView();
    AddProduct(digest, document.Root);
    digest.Add(document.ActivePath ? static_cast<long long>(document.ActivePath->size()) : -1);
    if (document.ActivePath) {
      for (const auto& name : *document.ActivePath) digest.Add(name);
    }
  }
  return digest.Text();
}

}  // namespace vexvalidator
