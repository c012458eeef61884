#include "Recording.h"

#include "PageActions.h"
#include "drive/Desk.h"
#include "drive/Names.h"
#include "drive/ProductTree.h"
#include "drive/Text.h"

namespace vexweb {

namespace {

using vexhost::ProductData;

const char* OnOff(bool on) { return on ? "on" : "off"; }

// `expect` with a text as its last word, or a comment where no script word can hold the text.
std::string ExpectText(const std::string& expectation, const std::string& text) {
  if (HoldsControl(text)) return "# not checked here: a text with a line break";
  return expectation + " " + ScriptWord(text);
}

std::string DialogState(vexdrive::Desk& desk, const std::string& name) {
  const auto window = desk.See(name);
  return "expect dialog " + name + " " + (!window ? "absent" : window->Visible ? "shown" : "hidden");
}

void PanelExpectations(vexdrive::Desk& desk, std::vector<std::string>& lines) {
  const auto panel = desk.See(vexdrive::PanelName);
  if (!panel || !panel->Visible) return;
  lines.push_back(std::string("expect ok ") + OnOff(panel->OKSensitive));
  if (const vexhost::WidgetView* button = panel->Find(vexdrive::BrowserButtonName)) {
    lines.push_back(std::string("expect browser ") + OnOff(button->Visible && button->Sensitive));
  }
  if (const vexhost::WidgetView* editor = panel->Find(vexdrive::PartNumberEditorName)) {
    lines.push_back(ExpectText("expect editor", vexdrive::Join(editor->Lines, "\n")));
  }
}

void ErrorBoxExpectations(vexdrive::Desk& desk, std::vector<std::string>& lines) {
  const auto box = desk.See(vexdrive::ErrorBoxName);
  if (box && box->Visible && !box->Lines.empty()) lines.push_back(ExpectText("expect error", box->Lines.front()));
}

void ProductExpectations(const ProductData& product, const std::string& path, std::vector<std::string>& lines) {
  if (HoldsControl(path)) {
    lines.emplace_back("# not checked here: a product whose name holds a line break, and what it holds");
    return;
  }
  // Quoted, so that a path with blanks is read as one.
  const std::string where = QuotedWord(path);
  lines.push_back(ExpectText("expect partnumber " + where, product.PartNumber));
  lines.push_back("expect count " + where + " " + std::to_string(product.Children.size()));
  for (const auto& child : product.Children) {
    if (!child.InterimClass.empty()) lines.push_back(ExpectText("expect child " + where, child.InterimClass));
  }
  for (const auto& child : product.Children) ProductExpectations(child, path + "/" + child.Name, lines);
}

// The word as a shell reads it back: as it is when it holds nothing the shell treats specially,
// else in single quotes.
std::string ShellWord(const std::string& word) {
  const bool plain = !word.empty() && word.front() != '#' && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                             "0123456789_@%+=:,./#-") == std::string::npos;
  if (plain) return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::vector<std::string> EndExpectations(vexdrive::Desk& desk) {
  std::vector<std::string> lines{std::string("expect running ") + (desk.Running() ? "yes" : "no"),
                                 DialogState(desk, vexdrive::PanelName), DialogState(desk, vexdrive::ErrorBoxName)};
  PanelExpectations(desk, lines);
  ErrorBoxExpectations(desk, lines);
  const vexhost::DocumentData document = desk.Document();
  ProductExpectations(document.Root, document.Root.Name, lines);
  return lines;
}

void Recording::Begin(std::vector<std::string> arguments) {
  _Arguments = std::move(arguments);
  _Lines.clear();
}

std::string Recording::Script(vexdrive::Desk& desk) const {
  std::vector<std::string> words;
  for (const auto& argument : _Arguments) words.push_back(ShellWord(argument));
  const std::string arguments = vexdrive::Join(words, " ");
  std::string script = "# A session recorded by vexhost serve. Replay it with:\n#   vexhost " +
                       (arguments.empty() ? std::string() : arguments + " ") + "--script session.vex\n";
  if (!arguments.empty()) script += "#@ args: " + arguments + "\n";
  script += "\n";
  for (const auto& line : _Lines) script += line + "\n";
  script += "\n# The end the page showed: a replay that ends otherwise fails these.\n";
  for (const auto& line : EndExpectations(desk)) script += line + "\n";
  return script + "tree\n";
}

}  // namespace vexweb
