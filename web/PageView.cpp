#include "PageView.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "drive/Action.h"
#include "drive/ProductTree.h"
#include "drive/Text.h"

namespace vexweb {

namespace {

using vexdrive::Box;
using vexdrive::Look;
using vexhost::ProductData;
using vexhost::WidgetView;

const char* KindName(Look look) {
  switch (look) {
    case Look::Window:
      return "window";
    case Look::Frame:
      return "frame";
    case Look::Label:
      return "label";
    case Look::Editor:
      return "editor";
    case Look::Combo:
      return "combo";
    case Look::Button:
      return "button";
    case Look::Separator:
      return "separator";
    case Look::Message:
      return "message";
    case Look::Other:
      return "other";
  }
  return "other";
}

// ---- what a click or a typed text makes ----

using vexdrive::ActionVerb;

struct Act {
  ActionVerb Verb;
  std::string Widget;  // the widget part of the address; empty for a verb that names the dialog alone
};

// Whether a name can stand in DIALOG/WIDGET, which a script reads as one unquoted word.
bool Addressable(const std::string& name) {
  return !name.empty() && name.find_first_of(" \t\"") == std::string::npos &&
         vexhost::FirstControlCharacter(name).empty();
}

// The act as the page sends it, or null when no script line can name its widget.
nlohmann::json ActJson(const Act& act, const std::string& dialog) {
  if (act.Widget.empty()) {
    if (dialog.empty() || !vexhost::FirstControlCharacter(dialog).empty()) return nullptr;
    return {{"verb", vexdrive::VerbName(act.Verb)}, {"target", dialog}};
  }
  if (!Addressable(dialog) || !Addressable(act.Widget) || dialog.find('/') != std::string::npos ||
      dialog.front() == '#') {
    return nullptr;
  }
  return {{"verb", vexdrive::VerbName(act.Verb)}, {"target", dialog + "/" + act.Widget}};
}

// What the hands do with each widget of a window, by name; the first widget of a name is the one
// the hands find. An editor or button inside a class frame works the frame: typing chooses a
// class, the button opens its browser.
void CollectActs(const WidgetView& view, const std::string* classFrame, std::map<std::string, Act>& acts) {
  for (const auto& child : view.Children) {
    if (child.Class == "VexDlgEditor") {
      acts.emplace(child.Name,
                   classFrame != nullptr ? Act{ActionVerb::Choose, *classFrame} : Act{ActionVerb::Type, child.Name});
    } else if (child.Class == "VexDlgPushButton") {
      acts.emplace(child.Name,
                   classFrame != nullptr ? Act{ActionVerb::Browse, *classFrame} : Act{ActionVerb::Press, child.Name});
    }
    CollectActs(child, child.Class == "VexStrObjectClassFrame" ? &child.Name : classFrame, acts);
  }
}

// A snapshot gives a message box its text as its one line; a dialog with OK and Cancel has none.
bool IsMessageBox(const WidgetView& window) { return window.HasOK && !window.Lines.empty(); }
bool IsDialog(const WidgetView& window) { return window.HasOK && window.Lines.empty(); }

// ---- one window of the picture ----

struct WindowBoxes {
  const std::vector<Box>& Boxes;
  std::size_t First;  // the window's own box
  std::size_t End;
  const WidgetView* View;  // null when the picture names a window the snapshots lack
  std::string Title;       // as a person sees it
  std::map<std::string, Act> Acts;
  std::vector<bool> Sensitive;  // for each box from First: greyed by nothing around it
};

// The title a person sees: the window's own or its resource text. A message box that has neither
// is titled by what it is, not by its internal name.
bool Contains(const Box& outer, const Box& inner) {
  return outer.X <= inner.X && inner.X + inner.W <= outer.X + outer.W && outer.Y <= inner.Y &&
         inner.Y + inner.H <= outer.Y + outer.H;
}

// A box is usable only when it and every window and frame around it are sensitive.
std::vector<bool> EffectiveSensitivity(const WindowBoxes& window) {
  std::vector<bool> sensitive;
  std::vector<std::size_t> around;  // the containers around the current box, outermost first
  for (std::size_t i = window.First; i < window.End; ++i) {
    const Box& box = window.Boxes[i];
    while (!around.empty() && !Contains(window.Boxes[around.back()], box)) around.pop_back();
    const bool inherited = around.empty() || sensitive[around.back() - window.First];
    sensitive.push_back(box.Sensitive && inherited);
    if (box.Kind == Look::Window || box.Kind == Look::Frame) around.push_back(i);
  }
  return sensitive;
}

bool HasWord(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](unsigned char c) { return std::isalnum(c) || c >= 0x80; });
}

// The text that names a box from around it: the label before it on its row, else the innermost
// titled frame around it, else the window's title.
std::string Surroundings(const WindowBoxes& window, const Box& box) {
  const Box* label = nullptr;
  const Box* frame = nullptr;
  for (std::size_t i = window.First + 1; i < window.End; ++i) {
    const Box& other = window.Boxes[i];
    if (other.Kind == Look::Label && other.Y == box.Y && other.X + other.W <= box.X && !other.Title.empty() &&
        (label == nullptr || other.X > label->X)) {
      label = &other;
    }
    if (other.Kind == Look::Frame && !other.Title.empty() && &other != &box && Contains(other, box)) frame = &other;
  }
  if (label != nullptr) return label->Title;
  return frame != nullptr ? frame->Title : window.Title;
}

std::string LabelOf(const WindowBoxes& window, const Box& box, const Act* act) {
  if (box.Kind == Look::Button) {
    if (act != nullptr && act->Verb == ActionVerb::Browse) return "Browse the classes: " + Surroundings(window, box);
    return HasWord(box.Title) ? box.Title : Surroundings(window, box);
  }
  const WidgetView* widget = window.View != nullptr ? window.View->Find(box.Name) : nullptr;
  if (widget != nullptr && !widget->Title.empty()) return vexdrive::Printable(widget->Title);
  return Surroundings(window, box);
}

// The act of a box that is not a window, or null.
const Act* WidgetAct(WindowBoxes& window, const Box& box) {
  // A widget no module hears is offered nothing to do: a press would only be refused.
  if (box.Inert) return nullptr;
  if (box.Kind != Look::Editor && box.Kind != Look::Button) return nullptr;
  const auto found = window.Acts.find(box.Name);
  if (found != window.Acts.end() && (box.Kind == Look::Editor) == (found->second.Verb == ActionVerb::Type ||
                                                                   found->second.Verb == ActionVerb::Choose)) {
    return &found->second;
  }
  // The window's own buttons.
  if (window.View == nullptr || box.Kind != Look::Button) return nullptr;
  const bool messageBox = IsMessageBox(*window.View);
  if (box.Name == "OK") {
    return &window.Acts
                .insert_or_assign("OK", messageBox ? Act{ActionVerb::Acknowledge, ""} : Act{ActionVerb::Press, "OK"})
                .first->second;
  }
  if (box.Name == "Cancel" && IsDialog(*window.View))
    return &window.Acts.insert_or_assign("Cancel", Act{ActionVerb::Press, "Cancel"}).first->second;
  return nullptr;
}

nlohmann::json BoxJson(const Box& box, const std::string& window, bool sensitive) {
  nlohmann::json json{
      {"kind", KindName(box.Kind)}, {"name", box.Name}, {"window", window}, {"title", box.Title}, {"lines", box.Lines},
      {"sensitive", sensitive},     {"x", box.X},       {"y", box.Y},       {"w", box.W},         {"h", box.H}};
  // The page holds an editor to it while a person types, as the host's editor does.
  if (box.MaxCharacters > 0) json["max"] = box.MaxCharacters;
  if (box.Inert) json["inert"] = true;
  return json;
}

void PutAct(nlohmann::json& json, const char* key, const Act& act, const std::string& dialog) {
  nlohmann::json made = ActJson(act, dialog);
  if (!made.is_null()) json[key] = std::move(made);
}

void AppendWindow(WindowBoxes& window, nlohmann::json& out) {
  const Box& own = window.Boxes[window.First];
  const std::string& dialog = own.Name;
  window.Title = own.Title;  // as the layout titles it: the same in every drawing
  if (window.View != nullptr) CollectActs(*window.View, nullptr, window.Acts);
  window.Sensitive = EffectiveSensitivity(window);
  nlohmann::json json = BoxJson(own, dialog, window.Sensitive.front());
  json["title"] = window.Title;
  if (window.View != nullptr && IsDialog(*window.View)) {
    PutAct(json, "act", {ActionVerb::Close, ""}, dialog);
    // Escape is the dialog's Cancel; where no script word can name the Cancel, its close box.
    PutAct(json, "escape", {ActionVerb::Press, "Cancel"}, dialog);
    if (!json.contains("escape")) PutAct(json, "escape", {ActionVerb::Close, ""}, dialog);
  } else if (window.View != nullptr && IsMessageBox(*window.View)) {
    PutAct(json, "escape", {ActionVerb::Acknowledge, ""}, dialog);
  }
  out.push_back(std::move(json));
  for (std::size_t i = window.First + 1; i < window.End; ++i) {
    const Box& box = window.Boxes[i];
    nlohmann::json item = BoxJson(box, dialog, window.Sensitive[i - window.First]);
    const Act* act = WidgetAct(window, box);
    if (act != nullptr) PutAct(item, "act", *act, dialog);
    if (box.Kind == Look::Editor || box.Kind == Look::Combo || box.Kind == Look::Button) {
      item["label"] = LabelOf(window, box, act);
    }
    out.push_back(std::move(item));
  }
}

// ---- the product tree ----

void CollectPartNumbers(const ProductData& product, const std::string& path, std::map<std::string, std::string>& out) {
  out[path] = product.PartNumber;
  for (const auto& child : product.Children) CollectPartNumbers(child, path + "/" + child.Name, out);
}

nlohmann::json ProductJson(const ProductData& product, const std::string& path, const std::string& active,
                           const std::map<std::string, std::string>& opened) {
  nlohmann::json json{{"name", product.Name},
                      {"path", path},
                      {"partNumber", product.PartNumber},
                      {"product", product.IsProduct},
                      {"active", path == active}};
  if (!product.InterimClass.empty()) json["interimClass"] = product.InterimClass;
  if (product.Factory.Present && !product.Factory.AllowCreate) json["refuses"] = product.Factory.RefusalMessage;
  const auto before = opened.find(path);
  if (before == opened.end()) {
    json["new"] = true;
  } else if (before->second != product.PartNumber) {
    json["was"] = before->second;
  }
  nlohmann::json children = nlohmann::json::array();
  for (const auto& child : product.Children)
    children.push_back(ProductJson(child, path + "/" + child.Name, active, opened));
  json["children"] = std::move(children);
  return json;
}

// ---- the journal ----

constexpr std::size_t FailuresShown = 5;

// Whether the host answered the module's call with a failing status: a negative number.
bool AnsweredFailure(const vexhost::JournalEntry& entry) {
  if (entry.Dir != vexhost::ModuleToHost || entry.Result.empty() || entry.Result.front() != '-') return false;
  long long status = 0;
  const char* end = entry.Result.data() + entry.Result.size();
  const auto [stop, error] = std::from_chars(entry.Result.data(), end, status);
  return error == std::errc() && stop == end && status < 0;
}

}  // namespace

nlohmann::json PictureJson(const vexdrive::Picture& picture, const std::vector<WidgetView>& windows) {
  std::map<std::string, const WidgetView*> byName;
  for (const auto& window : windows) byName.emplace(window.Name, &window);
  nlohmann::json boxes = nlohmann::json::array();
  // A window's box comes before everything in it.
  for (std::size_t first = 0; first < picture.Boxes.size();) {
    std::size_t end = first + 1;
    while (end < picture.Boxes.size() && picture.Boxes[end].Kind != Look::Window) ++end;
    const auto view = byName.find(picture.Boxes[first].Name);
    WindowBoxes window{picture.Boxes, first, end, view != byName.end() ? view->second : nullptr, {}, {}, {}};
    AppendWindow(window, boxes);
    first = end;
  }
  return {{"width", picture.Width}, {"height", picture.Height}, {"boxes", std::move(boxes)}};
}

nlohmann::json TreeJson(const vexhost::DocumentData& now, const vexhost::DocumentData& opened) {
  std::map<std::string, std::string> openedPartNumbers;
  CollectPartNumbers(opened.Root, opened.Root.Name, openedPartNumbers);
  const std::string active = now.ActivePath ? vexdrive::PathText(*now.ActivePath) : std::string();
  nlohmann::json json{{"document", now.Name},
                      {"root", ProductJson(now.Root, now.Root.Name, active, openedPartNumbers)}};
  json["active"] = now.ActivePath ? nlohmann::json(active) : nlohmann::json(nullptr);
  return json;
}

nlohmann::json JournalJson(const vexhost::Journal& journal, std::size_t count) {
  const auto& entries = journal.Entries();  // the latest, as many as the journal keeps
  std::vector<std::size_t> shown;
  for (std::size_t i = entries.size(); i > 0 && shown.size() < count; --i) {
    if (entries[i - 1].Op != "GetResourceFilename") shown.push_back(i - 1);
  }
  const auto number = [&](std::size_t i) { return journal.FirstIndex() + i + 1; };
  nlohmann::json json = nlohmann::json::array();
  for (auto i = shown.rbegin(); i != shown.rend(); ++i) {
    const auto& entry = entries[*i];
    json.push_back({{"number", number(*i)}, {"dir", entry.Dir}, {"text", entry.Text()}});
    if (AnsweredFailure(entry)) json.back()["failed"] = true;
  }
  std::vector<std::size_t> failed;
  for (std::size_t i = entries.size(); i > 0 && failed.size() < FailuresShown; --i) {
    if (AnsweredFailure(entries[i - 1])) failed.push_back(i - 1);
  }
  nlohmann::json failures = nlohmann::json::array();
  for (auto i = failed.rbegin(); i != failed.rend(); ++i) {
    failures.push_back(nlohmann::json{{"number", number(*i)}, {"text", entries[*i].Text()}});
  }
  return {{"total", journal.Size()}, {"entries", std::move(json)}, {"failures", std::move(failures)}};
}

nlohmann::json AccountingJson(const vexhost::AccountingReport& report, bool running) {
  const bool wrongAnyTime = !report.OverReleases.empty() || !report.Violations.empty();
  return {
      {"text", report.Text()}, {"clean", report.Clean()}, {"problem", wrongAnyTime || (!running && !report.Clean())}};
}

}  // namespace vexweb
