#include "Drawing.h"

#include <algorithm>

#include "Text.h"

namespace vexshell {

namespace {

class Canvas {
 public:
  Canvas(int width, int height)
      : _Cells(static_cast<std::size_t>(height), std::vector<std::string>(static_cast<std::size_t>(width), " ")) {}

  // Writes the text from (x, y) on; what falls outside the canvas is cut off.
  void Put(int x, int y, const std::string& text) {
    if (y < 0 || y >= static_cast<int>(_Cells.size())) return;
    auto& row = _Cells[static_cast<std::size_t>(y)];
    for (const auto& character : Characters(text)) {
      if (x >= 0 && x < static_cast<int>(row.size())) row[static_cast<std::size_t>(x)] = character;
      ++x;
    }
  }

  std::string Text() const {
    std::string text;
    for (const auto& row : _Cells) {
      std::string line;
      for (const auto& cell : row) line += cell;
      line.erase(line.find_last_not_of(' ') + 1);
      text += line + "\n";
    }
    return text;
  }

 private:
  std::vector<std::vector<std::string>> _Cells;
};

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

// The text padded with blanks, or cut, to exactly `width` cells.
std::string Fit(const std::string& text, int width) {
  const auto characters = Characters(text);
  std::string fitted;
  for (int i = 0; i < width; ++i) {
    fitted += static_cast<std::size_t>(i) < characters.size() ? characters[static_cast<std::size_t>(i)] : " ";
  }
  return fitted;
}

std::string Centered(const std::string& text, int width) {
  const int left = std::max(0, (width - Width(text)) / 2);
  return Fit(Repeat(" ", left) + text, width);
}

std::string Open(bool sensitive) { return sensitive ? "[" : "("; }
std::string Close(bool sensitive) { return sensitive ? "]" : ")"; }

// A border with the title in its top edge: "+= Title ===+" for a window, "+- Title ---+" for a frame.
void DrawBorder(Canvas& canvas, const Box& box, const std::string& edge) {
  std::string top = "+" + edge;
  if (!box.Title.empty()) top += " " + Marked(box.Title, box.Sensitive) + " ";
  top += Repeat(edge, box.W - 1 - Width(top));
  canvas.Put(box.X, box.Y, top + "+");
  for (int y = box.Y + 1; y < box.Y + box.H - 1; ++y) {
    canvas.Put(box.X, y, "|");
    canvas.Put(box.X + box.W - 1, y, "|");
  }
  canvas.Put(box.X, box.Y + box.H - 1, "+" + Repeat(edge, box.W - 2) + "+");
}

void DrawEditor(Canvas& canvas, const Box& box) {
  for (int row = 0; row < box.H; ++row) {
    const std::size_t line = static_cast<std::size_t>(row);
    const std::string text = line < box.Lines.size() ? box.Lines[line] : std::string();
    canvas.Put(box.X, box.Y + row, Open(box.Sensitive) + Fit(text, box.W - 2) + Close(box.Sensitive));
  }
}

void DrawBox(Canvas& canvas, const Box& box) {
  switch (box.Kind) {
    case Look::Window:
      DrawBorder(canvas, box, "=");
      break;
    case Look::Frame:
      DrawBorder(canvas, box, "-");
      break;
    case Look::Label:
      canvas.Put(box.X, box.Y, Marked(box.Title, box.Sensitive));
      break;
    case Look::Editor:
      DrawEditor(canvas, box);
      break;
    case Look::Combo:
      canvas.Put(box.X, box.Y, Open(box.Sensitive) + Fit(box.Title, box.W - 4) + " v" + Close(box.Sensitive));
      break;
    case Look::Button:
      canvas.Put(box.X, box.Y, Open(box.Sensitive) + Centered(box.Title, box.W - 2) + Close(box.Sensitive));
      break;
    case Look::Separator:
      canvas.Put(box.X, box.Y, Repeat(box.Sensitive ? "-" : ".", box.W));
      break;
    case Look::Message:
      for (std::size_t line = 0; line < box.Lines.size(); ++line) {
        canvas.Put(box.X, box.Y + static_cast<int>(line), box.Lines[line]);
      }
      break;
    case Look::Other:
      canvas.Put(box.X, box.Y, Marked(box.Title, box.Sensitive));
      break;
  }
}

}  // namespace

std::string DrawText(const Picture& picture) {
  Canvas canvas(picture.Width, picture.Height);
  for (const auto& box : picture.Boxes) DrawBox(canvas, box);
  return canvas.Text();
}

}  // namespace vexshell
