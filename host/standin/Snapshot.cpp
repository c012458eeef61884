// Copies of what the host shows and of a command's graph.
#include "vexhost/Snapshot.h"

#include <map>

#include "SessionState.h"

namespace vexhost {

using namespace detail;

const WidgetView* WidgetView::Find(const std::string& name) const {
  if (Name == name) return this;
  for (const auto& child : Children) {
    if (const WidgetView* found = child.Find(name)) return found;
  }
  return nullptr;
}

namespace {

std::string HostClassOf(const VexDialog& dialog) {
  // The first host class of the object's chain: module classes answer as their base.
  return dialog.GetMetaObject()->GetName();
}

// The text the host would show for a widget without a title of its own: its name looked up in
// the resource files of the window it belongs to.
std::string DefaultTitle(const VexDialog& widget) {
  const VexDialog* window = &widget;
  while (Inspect::Parent(*window) != nullptr && dynamic_cast<const VexDlgWindow*>(window) == nullptr) {
    window = Inspect::Parent(*window);
  }
  if (window == &widget) return {};
  std::string text;
  const std::size_t entry = IntoModule("GetResourceFilename", window, {"0"});
  const char* file = nullptr;
  {
    ModuleScope module;
    file = window->GetResourceFilename(0);
  }
  Host().TheJournal.SetResult(entry, file != nullptr ? Quote(file) : "null");
  if (file != nullptr) LookUpResource(file, widget.GetName().CastToCharPtr(), text);
  return text;
}

}  // namespace

WidgetView Snapshot(const VexDialog& dialog) {
  WidgetView view;
  view.Class = HostClassOf(dialog);
  view.Name = dialog.GetName().CastToCharPtr();
  view.Title = Inspect::Title(dialog).CastToCharPtr();
  view.TitleSet = !view.Title.empty();
  if (!view.TitleSet) view.Title = DefaultTitle(dialog);
  view.Style = Inspect::Style(dialog);
  view.Visible = Inspect::Visibility(dialog) == VexDlgShow;
  view.Sensitive = Inspect::Sensitivity(dialog) == VexDlgSensitive;
  if (const auto* editor = dynamic_cast<const VexDlgEditor*>(&dialog)) {
    for (const auto& line : Inspect::Lines(*editor)) view.Lines.push_back(line.CastToCharPtr());
    view.VisibleTextHeight = Inspect::VisibleTextHeight(*editor);
    view.VisibleTextWidth = Inspect::VisibleTextWidth(*editor);
    view.MaxCharacterWidth = Inspect::MaxCharacterWidth(*editor);
  }
  if (const auto* combo = dynamic_cast<const VexDlgCombo*>(&dialog)) {
    for (const auto& line : Inspect::Lines(*combo)) view.Lines.push_back(line.CastToCharPtr());
    view.Shown = Inspect::Shown(*combo);
  }
  if (const auto* box = dynamic_cast<const VexDlgNotify*>(&dialog)) {
    view.Lines.push_back(Inspect::Text(*box).CastToCharPtr());
    view.HasOK = true;
  }
  if (const auto* window = dynamic_cast<const VexDlgDialog*>(&dialog)) {
    view.HasOK = true;
    view.OKSensitive = Inspect::OKSensitivity(*window) == VexDlgSensitive;
  }
  for (const auto& attachment : Inspect::Attachments(dialog)) {
    AttachmentView attached{attachment.Operation, attachment.Position, attachment.Mode, {}};
    for (VexDialog* widget : attachment.Widgets) attached.Widgets.push_back(widget->GetName().CastToCharPtr());
    view.Attachments.push_back(std::move(attached));
  }
  for (const VexDialog* child : Inspect::Children(dialog)) view.Children.push_back(Snapshot(*child));
  return view;
}

GraphView SnapshotGraph(const VexStateCommand& command) {
  GraphView view;
  auto stateName = [](const VexDialogState* state) {
    return state == nullptr ? std::string("(null)") : std::string(state->GetName().CastToCharPtr());
  };
  const VexDialogState* initial = Inspect::InitialState(command);
  view.InitialState = stateName(initial);
  view.CurrentState = stateName(Inspect::CurrentState(command));
  if (initial != nullptr) {
    for (const VexDialogAgent* agent : Inspect::Agents(*initial)) {
      view.StateAgents.push_back(agent == nullptr ? "(null)" : agent->GetName().CastToCharPtr());
    }
  }
  std::vector<VexActionMethod> methods;
  for (const VexDialogTransition* transition : Inspect::Transitions(command)) {
    TransitionView row;
    row.From = stateName(Inspect::From(*transition));
    row.To = Inspect::To(*transition) == nullptr ? "(end)" : stateName(Inspect::To(*transition));
    const VexStateCondition* condition = Inspect::Condition(*transition);
    if (condition == nullptr) {
      row.Condition = "(null)";
    } else if (Inspect::IsLastModifiedAgentKind(*condition)) {
      row.Condition = "LastModifiedAgent(" + Describe(Inspect::Agent(*condition)) + ", " +
                      Describe(Inspect::Notification(*condition)) + ")";
    } else {
      row.Condition = "OutputSet(" + Describe(Inspect::Agent(*condition)) + ")";
    }
    if (const VexDiaAction* action = Inspect::Action(*transition)) {
      VexActionMethod method = Inspect::Method(*action);
      std::size_t index = 0;
      while (index < methods.size() && methods[index] != method) ++index;
      if (index == methods.size()) methods.push_back(method);
      row.Action = static_cast<int>(index);
    }
    view.Transitions.push_back(std::move(row));
  }
  return view;
}

}  // namespace vexhost
