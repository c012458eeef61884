#include "Layout.h"

#include <algorithm>
#include <map>
#include <utility>

#include "Grid.h"
#include "Text.h"

namespace vexdrive {

using vexhost::WidgetView;

namespace {

constexpr int ColumnGap = 1;
constexpr int DefaultEditorWidth = 12;
constexpr int BorderAndPadding = 4;  // "| " before the content and " |" after it
constexpr int TitleMargin = 6;       // "+- " before a title in a border and " -+" after it
constexpr int ComboDecoration = 4;   // "[", " v" and "]"

struct Node {
  const WidgetView* View = nullptr;  // null for the text of a message box
  Box Shape;                         // W and H hold the natural size until the node is placed
  bool Stretches = false;            // frames and separators take the whole width of their cell
  std::vector<Node> Children;
  std::vector<Slot> Slots;   // one for each child
  std::vector<int> Columns;  // widths
  std::vector<int> Rows;     // heights
  std::vector<Node> Buttons;
};

Look LookOf(const WidgetView& view) {
  static const std::map<std::string, Look, std::less<>> looks{
      {"VexDlgFrame", Look::Frame},        {"VexStrObjectClassFrame", Look::Frame},
      {"VexDlgLabel", Look::Label},        {"VexDlgEditor", Look::Editor},
      {"VexDlgCombo", Look::Combo},        {"VexDlgPushButton", Look::Button},
      {"VexDlgSeparator", Look::Separator}};
  auto found = looks.find(view.Class);
  if (found != looks.end()) return found->second;
  // A container of another class, such as a window inside a window, is drawn as a frame.
  return view.Children.empty() ? Look::Other : Look::Frame;
}

// Texts are drawn as printable text: a control character from the module or a resource file shows
// as its escape and takes the room of it.
std::vector<std::string> PrintableAll(const std::vector<std::string>& texts) {
  std::vector<std::string> printable;
  printable.reserve(texts.size());
  for (const auto& text : texts) printable.push_back(Printable(text));
  return printable;
}

int Longest(const std::vector<std::string>& lines) {
  int longest = 0;
  for (const auto& line : lines) longest = std::max(longest, Width(line));
  return longest;
}

int SpanWidth(const std::vector<int>& columns, int first, int last) {
  int width = 0;
  for (int column = first; column <= last; ++column) width += columns[static_cast<std::size_t>(column)];
  return width + std::max(0, last - first) * ColumnGap;
}

int GridWidth(const Node& node) {
  return node.Columns.empty() ? 0 : SpanWidth(node.Columns, 0, static_cast<int>(node.Columns.size()) - 1);
}

int GridHeight(const Node& node) {
  int height = 0;
  for (int row : node.Rows) height += row;
  return height;
}

void SizeGrid(Node& node) {
  int rowCount = 0;
  int columnCount = 0;
  for (const auto& slot : node.Slots) {
    rowCount = std::max(rowCount, slot.Row + 1);
    columnCount = std::max(columnCount, slot.LastColumn + 1);
  }
  node.Rows.assign(static_cast<std::size_t>(rowCount), 0);
  node.Columns.assign(static_cast<std::size_t>(columnCount), 0);
  // Children that share a cell stand one under the other.
  std::map<std::pair<int, int>, int> cellHeights;
  for (std::size_t i = 0; i < node.Children.size(); ++i) {
    const Slot& slot = node.Slots[i];
    int& cell = cellHeights[{slot.Row, slot.Column}];
    cell += node.Children[i].Shape.H;
    int& row = node.Rows[static_cast<std::size_t>(slot.Row)];
    row = std::max(row, cell);
    if (slot.Column == slot.LastColumn) {
      int& column = node.Columns[static_cast<std::size_t>(slot.Column)];
      column = std::max(column, node.Children[i].Shape.W);
    }
  }
  // A child that spans columns widens the last of them when they are too narrow together.
  for (std::size_t i = 0; i < node.Children.size(); ++i) {
    const Slot& slot = node.Slots[i];
    if (slot.Column == slot.LastColumn) continue;
    const int missing = node.Children[i].Shape.W - SpanWidth(node.Columns, slot.Column, slot.LastColumn);
    if (missing > 0) node.Columns[static_cast<std::size_t>(slot.LastColumn)] += missing;
  }
}

// `usable`: whether what holds the widget is usable; an insensitive window or frame greys out all
// it holds.
Node Build(const WidgetView& view, bool usable, bool inClassFrame);

void SizeLeaf(Node& node, const WidgetView& view) {
  Box& shape = node.Shape;
  shape.H = 1;
  switch (shape.Kind) {
    case Look::Label:
      shape.Title = Printable(view.Title);
      shape.W = Width(Marked(shape.Title, shape.Sensitive));
      break;
    case Look::Editor:
      shape.Lines = PrintableAll(view.Lines);
      shape.W =
          std::max(view.VisibleTextWidth > 0 ? view.VisibleTextWidth : DefaultEditorWidth, Longest(shape.Lines)) + 2;
      shape.H = std::max(1, view.VisibleTextHeight);
      shape.MaxCharacters = std::max(0, view.MaxCharacterWidth);
      break;
    case Look::Combo:
      if (view.Shown >= 0 && static_cast<std::size_t>(view.Shown) < view.Lines.size()) {
        shape.Title = Printable(view.Lines[static_cast<std::size_t>(view.Shown)]);
      }
      shape.W = std::max(1, Longest(PrintableAll(view.Lines))) + ComboDecoration;
      break;
    case Look::Button:
      shape.Title = Printable(view.Title.empty() ? view.Name : view.Title);
      shape.W = Width(shape.Title) + 2;
      break;
    case Look::Separator:
      shape.W = 1;
      node.Stretches = true;
      break;
    default:
      shape.Kind = Look::Other;
      shape.Title = "<" + Printable(view.Class) + " " + Printable(view.Name) + ">";
      shape.W = Width(shape.Title);
      break;
  }
}

Node Message(const std::string& text) {
  Node node;
  node.Shape.Kind = Look::Message;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      node.Shape.Lines.push_back(Printable(line));
      line.clear();
    } else {
      line += c;
    }
  }
  node.Shape.Lines.push_back(Printable(line));
  node.Shape.W = Longest(node.Shape.Lines);
  node.Shape.H = static_cast<int>(node.Shape.Lines.size());
  return node;
}

Node Button(const std::string& title, bool sensitive) {
  Node node;
  node.Shape.Kind = Look::Button;
  node.Shape.Title = title;
  node.Shape.Name = title;
  node.Shape.Sensitive = sensitive;
  node.Shape.W = Width(title) + 2;
  node.Shape.H = 1;
  return node;
}

int ButtonsWidth(const std::vector<Node>& buttons) {
  int width = 0;
  for (const auto& button : buttons) width += button.Shape.W;
  return width + std::max(0, static_cast<int>(buttons.size()) - 1) * ColumnGap;
}

// Sizes a window or frame from its grid, its title and its buttons.
void SizeContainer(Node& node, const WidgetView& view) {
  for (const auto& child : view.Children) {
    if (child.Visible) {
      node.Children.push_back(Build(child, node.Shape.Sensitive, view.Class == "VexStrObjectClassFrame"));
    }
  }
  std::vector<const WidgetView*> children;
  for (const auto& child : node.Children) children.push_back(child.View);
  node.Slots = Arrange(view, children);
  SizeGrid(node);
  const int title = node.Shape.Title.empty() ? 0 : Width(Marked(node.Shape.Title, node.Shape.Sensitive)) + TitleMargin;
  const int buttons = node.Buttons.empty() ? 0 : ButtonsWidth(node.Buttons) + BorderAndPadding;
  node.Shape.W = std::max({GridWidth(node) + BorderAndPadding, title, buttons});
  node.Shape.H = GridHeight(node) + 2 + (node.Buttons.empty() ? 0 : 1);
}

Node Build(const WidgetView& view, bool usable, bool inClassFrame) {
  Node node;
  node.View = &view;
  node.Shape.Kind = LookOf(view);
  node.Shape.Sensitive = usable && view.Sensitive;
  // The class frame's own button opens its browser; no other push button, and no combo, is heard.
  node.Shape.Inert = node.Shape.Kind == Look::Combo || (node.Shape.Kind == Look::Button && !inClassFrame);
  node.Shape.Name = view.Name;
  if (node.Shape.Kind != Look::Frame) {
    SizeLeaf(node, view);
    return node;
  }
  node.Shape.Title = Printable(view.Title);
  node.Stretches = true;
  SizeContainer(node, view);
  return node;
}

// The title a person reads on a window: its own, else what the host's window says of itself (a
// message box without a title is an error or a message), else its name.
std::string WindowTitle(const WidgetView& view, bool messageBox) {
  if (!view.Title.empty()) return view.Title;
  if (messageBox) return view.Class == "VexStrErrorBox" ? "Error" : "Message";
  return view.Name;
}

Node Window(const WidgetView& view) {
  Node node;
  node.View = &view;
  node.Shape.Kind = Look::Window;
  node.Shape.Sensitive = view.Sensitive;
  node.Shape.Name = view.Name;
  // A snapshot gives a message box its text as its one line; a dialog with OK and Cancel has none.
  const bool messageBox = view.HasOK && !view.Lines.empty();
  node.Shape.Title = Printable(WindowTitle(view, messageBox));
  if (messageBox) {
    node.Children.push_back(Message(view.Lines.front()));
    node.Children.back().Shape.Sensitive = view.Sensitive;
  }
  if (view.HasOK) node.Buttons.push_back(Button("OK", view.Sensitive && view.OKSensitive));
  if (view.HasOK && !messageBox) node.Buttons.push_back(Button("Cancel", view.Sensitive));
  SizeContainer(node, view);
  return node;
}

void Place(Node& node, int x, int y, int width, Picture& picture);

void PlaceChildren(Node& node, int x, int y, int width, Picture& picture) {
  const int innerX = x + 2;
  const int innerY = y + 1;
  // The last column takes the room that is left, so that frames and separators reach the border.
  if (!node.Columns.empty()) node.Columns.back() += std::max(0, width - BorderAndPadding - GridWidth(node));
  std::map<std::pair<int, int>, int> used;  // how far down each cell is filled
  for (std::size_t i = 0; i < node.Children.size(); ++i) {
    const Slot& slot = node.Slots[i];
    Node& child = node.Children[i];
    int cellX = innerX;
    for (int column = 0; column < slot.Column; ++column)
      cellX += node.Columns[static_cast<std::size_t>(column)] + ColumnGap;
    int cellY = innerY;
    for (int row = 0; row < slot.Row; ++row) cellY += node.Rows[static_cast<std::size_t>(row)];
    int& below = used[{slot.Row, slot.Column}];
    const int cellWidth = SpanWidth(node.Columns, slot.Column, slot.LastColumn);
    Place(child, cellX, cellY + below, child.Stretches ? cellWidth : child.Shape.W, picture);
    below += child.Shape.H;
  }
  int buttonX = x + width - 2 - ButtonsWidth(node.Buttons);
  const int buttonY = innerY + GridHeight(node);
  for (Node& button : node.Buttons) {
    Place(button, buttonX, buttonY, button.Shape.W, picture);
    buttonX += button.Shape.W + ColumnGap;
  }
}

void Place(Node& node, int x, int y, int width, Picture& picture) {
  Box shape = node.Shape;
  shape.X = x;
  shape.Y = y;
  shape.W = width;
  picture.Boxes.push_back(shape);
  if (node.Shape.Kind == Look::Window || node.Shape.Kind == Look::Frame) PlaceChildren(node, x, y, width, picture);
}

}  // namespace

std::string Marked(const std::string& text, bool sensitive) { return sensitive ? text : "(" + text + ")"; }

Picture LayOut(const std::vector<WidgetView>& windows) {
  Picture picture;
  int y = 0;
  for (const auto& view : windows) {
    Node node = Window(view);
    Place(node, 0, y, node.Shape.W, picture);
    picture.Width = std::max(picture.Width, node.Shape.W);
    y += node.Shape.H + 1;  // a blank line between windows
  }
  picture.Height = std::max(0, y - 1);
  return picture;
}

bool HoldsInert(const Picture& picture) {
  return std::any_of(picture.Boxes.begin(), picture.Boxes.end(),
                     [](const Box& box) { return box.Inert && box.Sensitive; });
}

}  // namespace vexdrive
