#include "PageView.h"

#include <map>

#include "drive/Names.h"
#include "drive/ProductTree.h"

namespace vexweb {

namespace {

using vexhost::ProductData;
using vexhost::WidgetView;
using vexdrive::Box;
using vexdrive::Look;

const char* KindName(Look look) {
  switch (look) {
    case Look::Window: return "window";
    case Look::Frame: return "frame";
    case Look::Label: return "label";
    case Look::Editor: return "editor";
    case Look::Combo: return "combo";
    case Look::Button: return "button";
    case Look::Separator: return "separator";
    case Look::Message: return "message";
    case Look::Other: return "other";
  }
  return "other";
}

// The name of the editor inside the panel's class frame, where a class is typed.
std::string ClassEditorName(const std::vector<WidgetView>& windows) {
  for (const auto& window : windows) {
    if (window.Name != vexdrive::PanelName) continue;
    const WidgetView* frame = window.Find(vexdrive::ClassFrameName);
    if (frame == nullptr) return {};
    for (const auto& child : frame->Children) {
      if (child.Class == "VexDlgEditor") return child.Name;
    }
  }
  return {};
}

// The script verb that acting on the box makes, or "" for a box the script has no verb for.
std::string ActOf(const Box& box, const std::string& window, const std::string& classEditor) {
  const bool panel = window == vexdrive::PanelName;
  switch (box.Kind) {
    case Look::Window:
      return panel ? "close" : "";
    case Look::Button:
      if (window == vexdrive::ErrorBoxName && box.Name == "OK") return "ack";
      if (!panel) return "";
      if (box.Name == "OK") return "ok";
      if (box.Name == "Cancel") return "cancel";
      return box.Name == vexdrive::BrowserButtonName ? "browse" : "";
    case Look::Editor:
      if (!panel) return "";
      if (box.Name == vexdrive::PartNumberEditorName) return "partnumber";
      return !classEditor.empty() && box.Name == classEditor ? "class" : "";
    default:
      return "";
  }
}

nlohmann::json BoxJson(const Box& box, const std::string& window, const std::string& act) {
  nlohmann::json json{{"kind", KindName(box.Kind)}, {"name", box.Name}, {"window", window}, {"title", box.Title},
                      {"lines", box.Lines}, {"sensitive", box.Sensitive}, {"x", box.X}, {"y", box.Y},
                      {"w", box.W}, {"h", box.H}};
  if (!act.empty()) json["act"] = act;
  return json;
}

void CollectPartNumbers(const ProductData& product, const std::string& path, std::map<std::string, std::string>& out) {
  out[path] = product.PartNumber;
  for (const auto& child : product.Children) CollectPartNumbers(child, path + "/" + child.Name, out);
}

nlohmann::json ProductJson(const ProductData& product, const std::string& path, const std::string& active,
                           const std::map<std::string, std::string>& opened) {
  nlohmann::json json{{"name", product.Name}, {"path", path}, {"partNumber", product.PartNumber},
                      {"product", product.IsProduct}, {"active", path == active}};
  if (!product.InterimClass.empty()) json["interimClass"] = product.InterimClass;
  if (product.Factory.Present && !product.Factory.AllowCreate) json["refuses"] = product.Factory.RefusalMessage;
  const auto before = opened.find(path);
  if (before == opened.end()) {
    json["new"] = true;
  } else if (before->second != product.PartNumber) {
    json["was"] = before->second;
  }
  nlohmann::json children = nlohmann::json::array();
  for (const auto& child : product.Children) children.push_back(ProductJson(child, path + "/" + child.Name, active, opened));
  json["children"] = std::move(children);
  return json;
}

}  // namespace

nlohmann::json PictureJson(const vexdrive::Picture& picture, const std::vector<WidgetView>& windows) {
  const std::string classEditor = ClassEditorName(windows);
  nlohmann::json boxes = nlohmann::json::array();
  std::string window;  // a window's box comes before everything in it
  for (const Box& box : picture.Boxes) {
    if (box.Kind == Look::Window) window = box.Name;
    boxes.push_back(BoxJson(box, window, ActOf(box, window, classEditor)));
  }
  return {{"width", picture.Width}, {"height", picture.Height}, {"boxes", std::move(boxes)}};
}

nlohmann::json TreeJson(const vexhost::DocumentData& now, const vexhost::DocumentData& opened) {
  std::map<std::string, std::string> openedPartNumbers;
  CollectPartNumbers(opened.Root, opened.Root.Name, openedPartNumbers);
  const std::string active = now.ActivePath ? vexdrive::PathText(*now.ActivePath) : std::string();
  nlohmann::json json{{"document", now.Name}, {"root", ProductJson(now.Root, now.Root.Name, active, openedPartNumbers)}};
  json["active"] = now.ActivePath ? nlohmann::json(active) : nlohmann::json(nullptr);
  return json;
}

nlohmann::json JournalJson(const vexhost::Journal& journal, std::size_t count) {
  const auto& entries = journal.Entries();  // the latest, as many as the journal keeps
  std::vector<std::size_t> shown;
  for (std::size_t i = entries.size(); i > 0 && shown.size() < count; --i) {
    if (entries[i - 1].Op != "GetResourceFilename") shown.push_back(i - 1);
  }
  nlohmann::json json = nlohmann::json::array();
  for (auto i = shown.rbegin(); i != shown.rend(); ++i) {
    json.push_back({{"number", journal.FirstIndex() + *i + 1}, {"dir", entries[*i].Dir}, {"text", entries[*i].Text()}});
  }
  return {{"total", journal.Size()}, {"entries", std::move(json)}};
}

}  // namespace vexweb
