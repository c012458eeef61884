// Copies of what the host shows and of a command's graph.
#include "vexhost/Snapshot.h"

#include "dialogs/Dialogs.h"
#include "dialogs/Resources.h"
#include "engine/Graph.h"
#include "gate/Gate.h"
#include "vex/Dialogs.h"
#include "vex/ObjectClassFrame.h"
#include "vex/StateCommand.h"

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

// Asks an object for the resource file it names at `level`, through the journal.
const char* ResourceFileAt(const VexCommand& object, int level) {
  const std::size_t entry = IntoModule("GetResourceFilename", &object, {Code(level)});
  const char* file = nullptr;
  {
    ModuleScope module;
    file = object.GetResourceFilename(level);
  }
  ModuleReturned(entry, file != nullptr ? Quote(file) : "null");
  return file;
}

// The text the host would show for a widget without a title of its own: its name looked up in
// the resource files of the window it belongs to.
std::string DefaultTitle(const VexDialog& widget) {
  const VexDialog* window = &widget;
  while (DialogOf(*window).Parent != nullptr && dynamic_cast<const VexDlgWindow*>(window) == nullptr) {
    window = DialogOf(*window).Parent;
  }
  if (window == &widget) return {};
  std::string text;
  if (const char* file = ResourceFileAt(*window, 0)) LookUpResource(file, widget.GetName().CastToCharPtr(), text);
  return text;
}

}  // namespace

WidgetView Snapshot(const VexDialog& dialog) {
  const DialogState& state = DialogOf(dialog);
  WidgetView view;
  view.Class = HostClassOf(dialog);
  view.Name = dialog.GetName().CastToCharPtr();
  view.Title = state.Title.CastToCharPtr();
  view.TitleSet = !view.Title.empty();
  if (!view.TitleSet) view.Title = DefaultTitle(dialog);
  view.Style = state.Style;
  view.Visible = state.Visibility == VexDlgShow;
  view.Sensitive = state.Sensitivity == VexDlgSensitive;
  if (const auto* editor = dynamic_cast<const VexDlgEditor*>(&dialog)) {
    const EditorState& text = EditorOf(*editor);
    for (const auto& line : text.Lines) view.Lines.push_back(line.CastToCharPtr());
    view.VisibleTextHeight = text.VisibleTextHeight;
    view.VisibleTextWidth = text.VisibleTextWidth;
    view.MaxCharacterWidth = text.MaxCharacterWidth;
  }
  if (const auto* combo = dynamic_cast<const VexDlgCombo*>(&dialog)) {
    for (const auto& line : ComboOf(*combo).Lines) view.Lines.push_back(line.CastToCharPtr());
    view.Shown = ComboOf(*combo).Shown;
  }
  if (const auto* box = dynamic_cast<const VexDlgNotify*>(&dialog)) {
    view.Lines.push_back(NotifyOf(*box).Text.CastToCharPtr());
    view.HasOK = true;
  }
  if (const auto* window = dynamic_cast<const VexDlgDialog*>(&dialog)) {
    view.HasOK = true;
    view.OKSensitive = DlgDialogOf(*window).OKSensitivity == VexDlgSensitive;
  }
  if (const auto* frame = dynamic_cast<const VexStrObjectClassFrame*>(&dialog))
    view.Family = ClassFrameOf(*frame).Family;
  for (const auto& attachment : state.Attachments) {
    AttachmentView attached{attachment.Operation, attachment.Position, attachment.Mode, {}};
    for (VexDialog* widget : attachment.Widgets) attached.Widgets.push_back(widget->GetName().CastToCharPtr());
    view.Attachments.push_back(std::move(attached));
  }
  for (const VexDialog* child : state.Children) view.Children.push_back(Snapshot(*child));
  return view;
}

std::vector<std::string> ResourceFiles(const VexCommand& object) {
  constexpr int deepestLevel = 16;  // as deep as the host looks up a text
  std::vector<std::string> files;
  for (int level = -1; level < deepestLevel; ++level) {
    const char* file = ResourceFileAt(object, level);
    files.push_back(file != nullptr ? Quote(file) : "null");
    if (file == nullptr && level >= 0) break;
  }
  return files;
}

GraphView SnapshotGraph(const VexStateCommand& command) {
  const StateCommandState& graph = GraphOf(command);
  GraphView view;
  auto stateName = [](const VexDialogState* state) {
    return state == nullptr ? std::string("(null)") : std::string(state->GetName().CastToCharPtr());
  };
  view.InitialState = stateName(graph.Initial);
  view.CurrentState = stateName(graph.Current);
  if (graph.Initial != nullptr) {
    for (const VexDialogAgent* agent : graph.Initial->Agents) {
      view.StateAgents.push_back(agent == nullptr ? "(null)" : agent->GetName().CastToCharPtr());
    }
  }
  std::vector<VexActionMethod> methods;
  for (const GraphTransition* transition : graph.Transitions) {
    TransitionView row;
    row.From = stateName(transition->From);
    row.To = transition->To == nullptr ? "(end)" : stateName(transition->To);
    const GraphCondition* condition = transition->Condition;
    if (condition == nullptr) {
      row.Condition = "(null)";
    } else if (condition->Which == GraphCondition::Kind::LastModifiedAgent) {
      row.Condition =
          "LastModifiedAgent(" + Describe(condition->Agent) + ", " + Describe(condition->Notification) + ")";
    } else {
      row.Condition = "OutputSet(" + Describe(condition->Agent) + ")";
    }
    if (const GraphAction* action = transition->Action) {
      std::size_t index = 0;
      while (index < methods.size() && methods[index] != action->Method) ++index;
      if (index == methods.size()) methods.push_back(action->Method);
      row.Action = static_cast<int>(index);
    }
    view.Transitions.push_back(std::move(row));
  }
  return view;
}

}  // namespace vexhost
