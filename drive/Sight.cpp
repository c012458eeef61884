#include "Sight.h"

#include "Errors.h"
#include "Text.h"

namespace vexdrive {

using vexhost::WidgetView;

namespace {

// The widget and the containers that hold it, from the window down; empty when there is none.
bool FindChain(const WidgetView& view, const std::string& name, std::vector<const WidgetView*>& chain) {
  chain.push_back(&view);
  if (view.Name == name && chain.size() > 1) return true;
  for (const auto& child : view.Children) {
    if (FindChain(child, name, chain)) return true;
  }
  chain.pop_back();
  return false;
}

std::string TitleOf(const WidgetView& view) { return view.Title.empty() ? view.Name : view.Title; }

std::optional<std::string> TextOf(const WidgetView& view) {
  if (view.Class == "VexDlgEditor") return Join(view.Lines, "\n");
  if (view.Class == "VexDlgLabel") return view.Title;
  if (view.Class == "VexDlgCombo") {
    const bool showsOne = view.Shown >= 0 && static_cast<std::size_t>(view.Shown) < view.Lines.size();
    return showsOne ? view.Lines[static_cast<std::size_t>(view.Shown)] : std::string();
  }
  return std::nullopt;
}

Sighting OfWindow(const WidgetView& window) {
  Sighting sight;
  sight.Kind = IsMessageBox(window) ? "message box" : "dialog";
  sight.Shown = window.Visible;
  sight.Sensitive = window.Sensitive;
  sight.Title = TitleOf(window);
  if (IsMessageBox(window)) sight.Text = window.Lines.front();
  return sight;
}

// OK and Cancel are the window's own: they stand with it and are greyed with it.
std::optional<Sighting> OfWindowButton(const WidgetView& window, const std::string& name) {
  const bool ok = name == "OK";
  if (!window.HasOK || !(ok || (name == "Cancel" && !IsMessageBox(window)))) return std::nullopt;
  Sighting sight;
  sight.Kind = "button";
  sight.Shown = window.Visible;
  const bool itself = !ok || window.OKSensitive;
  sight.Sensitive = itself && window.Sensitive;
  if (itself && !window.Sensitive) sight.GreyedBy = window.Name;
  sight.Title = name;
  return sight;
}

void CollectNames(const WidgetView& view, std::vector<std::string>& names) {
  for (const auto& child : view.Children) {
    names.push_back(child.Name);
    CollectNames(child, names);
  }
}

}  // namespace

Address ParseAddress(const std::string& written) {
  const std::size_t slash = written.find('/');
  if (slash == std::string::npos) return {written, {}};
  if (slash == 0 || slash + 1 == written.size()) {
    throw LineError("expected DIALOG/WIDGET, with both names, not " + Echo(written));
  }
  return {written.substr(0, slash), written.substr(slash + 1)};
}

// A snapshot gives a message box its text as its one line; a dialog with OK and Cancel has none.
bool IsMessageBox(const WidgetView& window) { return window.HasOK && !window.Lines.empty(); }

std::optional<Sighting> Meet(const WidgetView& window, const std::string& widget) {
  if (widget.empty()) return OfWindow(window);
  if (auto button = OfWindowButton(window, widget)) return button;
  std::vector<const WidgetView*> chain;
  if (!FindChain(window, widget, chain)) return std::nullopt;
  const WidgetView& found = *chain.back();
  Sighting sight;
  sight.Kind = found.Class;
  sight.Shown = true;
  sight.Sensitive = true;
  for (const WidgetView* link : chain) sight.Shown = sight.Shown && link->Visible;
  // The nearest insensitive container is the one a person would see greying it.
  for (std::size_t i = chain.size() - 1; i-- > 0;) {
    if (!chain[i]->Sensitive) {
      sight.GreyedBy = chain[i]->Name;
      break;
    }
  }
  sight.Sensitive = found.Sensitive && sight.GreyedBy.empty();
  if (!found.Sensitive) sight.GreyedBy.clear();
  sight.Title = TitleOf(found);
  sight.Text = TextOf(found);
  return sight;
}

std::vector<std::string> WidgetNames(const WidgetView& window) {
  std::vector<std::string> names;
  CollectNames(window, names);
  if (window.HasOK) names.emplace_back("OK");
  if (window.HasOK && !IsMessageBox(window)) names.emplace_back("Cancel");
  return names;
}

}  // namespace vexdrive
