#include "Recording.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "drive/Action.h"
#include "drive/Desk.h"
#include "drive/Errors.h"
#include "drive/Options.h"
#include "drive/Sight.h"
#include "drive/Text.h"
#include "drive/Words.h"

namespace vexweb {

namespace {

using vexhost::ProductData;
using vexhost::WidgetView;

constexpr const char* ScriptFile = "session.vex";

const char* OnOff(bool on) { return on ? "on" : "off"; }

bool Writable(const std::string& text) { return vexdrive::UnwritableBecause(text).empty(); }

// The text in double quotes, so that a path with blanks is read as one.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// `expect` with a text as its last word, or a comment where no script line can hold the text.
std::string ExpectText(const std::string& expectation, const std::string& text) {
  if (!Writable(text)) return "# not checked here: a text that no script line can hold";
  return expectation + " " + vexdrive::ScriptWord(text);
}

// A dialog or widget as an address word; empty when no script line can name it.
std::string AddressWord(const std::string& dialog, const std::string& widget = {}) {
  if (dialog.empty() || dialog.find('/') != std::string::npos || !Writable(dialog) || !Writable(widget)) return {};
  return vexdrive::ScriptWord(widget.empty() ? dialog : dialog + "/" + widget);
}

bool Usable(const std::string& hostClass) {
  return hostClass == "VexDlgEditor" || hostClass == "VexDlgPushButton" || hostClass == "VexDlgCombo";
}

// The widgets under `view`, in the order of the tree: the text and sensitivity of each shown one
// that a person reads or uses; a hidden one once, for all it holds. A name that stands twice is
// checked where a script finds it, the first time.
void WidgetExpectations(const WidgetView& window, const WidgetView& view, std::vector<std::string>& named,
                        std::vector<std::string>& lines) {
  for (const auto& child : view.Children) {
    if (std::find(named.begin(), named.end(), child.Name) != named.end()) continue;
    named.push_back(child.Name);
    const std::string address = AddressWord(window.Name, child.Name);
    const auto sight = vexdrive::Meet(window, child.Name);
    if (address.empty()) {
      lines.emplace_back("# not checked here: a widget whose name no script line can hold");
    } else if (!sight->Shown) {
      lines.push_back("expect widget " + address + " hidden");
      continue;
    } else {
      if (sight->Text) lines.push_back(ExpectText("expect text " + address, *sight->Text));
      if (Usable(child.Class)) lines.push_back("expect sensitive " + address + " " + OnOff(sight->Sensitive));
    }
    WidgetExpectations(window, child, named, lines);
  }
}

void WindowExpectations(const WidgetView& window, std::vector<std::string>& lines) {
  const std::string address = AddressWord(window.Name);
  if (address.empty()) {
    lines.emplace_back("# not checked here: a dialog whose name no script line can name");
    return;
  }
  lines.push_back("expect dialog " + address + " " + (window.Visible ? "shown" : "hidden"));
  if (!window.Visible) return;
  lines.push_back(ExpectText("expect title " + address, vexdrive::Meet(window, {})->Title));
  if (vexdrive::IsMessageBox(window)) {
    lines.push_back(ExpectText("expect text " + address, window.Lines.front()));
  } else if (window.HasOK) {
    lines.push_back("expect sensitive " + AddressWord(window.Name, "OK") + " " +
                    OnOff(vexdrive::Meet(window, "OK")->Sensitive));
    lines.push_back("expect sensitive " + AddressWord(window.Name, "Cancel") + " " +
                    OnOff(vexdrive::Meet(window, "Cancel")->Sensitive));
  }
  std::vector<std::string> named;
  WidgetExpectations(window, window, named, lines);
}

void ProductExpectations(const ProductData& product, const std::string& path, std::vector<std::string>& lines) {
  if (!Writable(path) || product.Name.find('/') != std::string::npos) {
    lines.emplace_back("# not checked here: a product whose path no script line can hold, and what it holds");
    return;
  }
  const std::string where = Quoted(path);
  lines.push_back(ExpectText("expect partnumber " + where, product.PartNumber));
  lines.push_back("expect count " + where + " " + std::to_string(product.Children.size()));
  for (const auto& child : product.Children) {
    if (!child.InterimClass.empty()) lines.push_back(ExpectText("expect child " + where, child.InterimClass));
  }
  for (const auto& child : product.Children) ProductExpectations(child, path + "/" + child.Name, lines);
}

// The path made absolute; refused when a script line could not hold it.
std::string ReplayPath(const std::string& option, const std::string& path) {
  const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
  if (const std::string problem = vexdrive::UnwritableBecause(absolute); !problem.empty()) {
    throw vexdrive::BadInput(option + " " + vexdrive::Echo(absolute) + ": the path holds " + problem +
                             ", and a recorded session could not name it in its replay; move or rename it");
  }
  return absolute;
}

}  // namespace

std::vector<std::string> EndExpectations(vexdrive::Desk& desk) {
  std::vector<std::string> lines{std::string("expect running ") + (desk.Running() ? "yes" : "no")};
  for (const auto& window : desk.OpenWindows()) WindowExpectations(window, lines);
  const vexhost::DocumentData document = desk.Document();
  ProductExpectations(document.Root, document.Root.Name, lines);
  return lines;
}

void Recording::Begin(const vexdrive::Options& options) {
  std::vector<std::string> arguments;
  for (int nth : options.FailAllocations) arguments.insert(arguments.end(), {"--fail-alloc", std::to_string(nth)});
  for (const auto& raise : options.Raises) arguments.insert(arguments.end(), {"--raise", raise});
  for (const auto& status : options.Statuses) arguments.insert(arguments.end(), {"--status", status});
  arguments.emplace_back("--check");
  // An option left empty is vexhost's default (the embedded document, say) in the replay too.
  for (const auto& [option, path] : {std::pair<const char*, const std::string&>{"--module", options.Module},
                                     {"--resources", options.Resources},
                                     {"--document", options.Document}}) {
    if (!path.empty()) arguments.insert(arguments.end(), {option, ReplayPath(option, path)});
  }
  _Arguments = std::move(arguments);
  _Lines.clear();
}

std::vector<std::string> Recording::ShellArguments() const {
  std::vector<std::string> words;
  for (const auto& argument : _Arguments) words.push_back(ShellWord(argument));
  return words;
}

std::string Recording::ReplayCommand() const {
  std::vector<std::string> words{"vexhost"};
  for (auto& word : ShellArguments()) words.push_back(std::move(word));
  words.insert(words.end(), {"--script", ScriptFile});
  return vexdrive::Join(words, " ");
}

std::string Recording::Script(vexdrive::Desk& desk) const {
  std::string script = "# A session recorded by vexhost serve. Replay it with:\n#   " + ReplayCommand() + "\n";
  script += "#@ args: " + vexdrive::Join(ShellArguments(), " ") + "\n\n";
  for (const auto& line : _Lines) script += line + "\n";
  script += "\n# The end the page showed: a replay that ends otherwise fails these.\n";
  for (const auto& line : EndExpectations(desk)) script += line + "\n";
  return script + "tree\n";
}

std::string ShellWord(const std::string& word) {
  const bool plain = !word.empty() && word.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789_@%+=:,./-") == std::string::npos;
  if (plain) return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace vexweb
