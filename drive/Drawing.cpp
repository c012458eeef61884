#include "Drawing.h"

#include <algorithm>

#include "Text.h"

namespace vexdrive {

namespace {

// Character cells. A wide character fills its cell and leaves the next one empty (""), so that a
// row joins to text of the canvas's width in display cells; a zero-width character joins the
// character before it.
class Canvas {
 public:
  Canvas(int width, int height)
      : _Cells(static_cast<std::size_t>(height), std::vector<std::string>(static_cast<std::size_t>(width), " ")) {}

  // Writes the text from (x, y) on; what falls outside the canvas is cut off.
  void Put(int x, int y, const std::string& text) {
    if (y < 0 || y >= static_cast<int>(_Cells.size())) return;
    auto& row = _Cells[static_cast<std::size_t>(y)];
    for (const auto& character : Characters(text)) {
      const int width = CharacterWidth(character);
      if (width == 0) {
        if (x > 0 && x <= static_cast<int>(row.size())) row[static_cast<std::size_t>(x - 1)] += character;
        continue;
      }
      if (x >= 0 && x + width <= static_cast<int>(row.size())) {
        for (int cell = x; cell < x + width; ++cell) Clear(row, cell);
        row[static_cast<std::size_t>(x)] = character;
        if (width == 2) row[static_cast<std::size_t>(x) + 1] = "";
      }
      x += width;
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
  // Empties a cell before it is written; the other half of a wide character it belonged to
  // becomes a blank.
  static void Clear(std::vector<std::string>& row, int x) {
    auto& cell = row[static_cast<std::size_t>(x)];
    if (cell.empty() && x > 0) row[static_cast<std::size_t>(x) - 1] = " ";
    if (!cell.empty() && CharacterWidth(cell) == 2 && x + 1 < static_cast<int>(row.size())) {
      row[static_cast<std::size_t>(x) + 1] = " ";
    }
    cell = " ";
  }

  std::vector<std::vector<std::string>> _Cells;
};

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

// The text padded with blanks, or cut, to exactly `width` cells; a wide character that would
// stand across the end is left out.
std::string Fit(const std::string& text, int width) {
  std::string fitted;
  int used = 0;
  for (const auto& character : Characters(text)) {
    const int cells = CharacterWidth(character);
    if (used + cells > width) break;
    fitted += character;
    used += cells;
  }
  return fitted + std::string(static_cast<std::size_t>(std::max(0, width - used)), ' ');
}

std::string Centered(const std::string& text, int width) {
  const int left = std::max(0, (width - Width(text)) / 2);
  return Fit(Repeat(" ", left) + text, width);
}

std::string Open(bool sensitive) { return sensitive ? "[" : "("; }
std::string Close(bool sensitive) { return sensitive ? "]" : ")"; }
// A widget that does nothing is drawn in braces where it would be usable: it is there, but no
// module hears it. Greyed out, it is in parentheses as any greyed widget.
std::string Open(const Box& box) { return box.Inert && box.Sensitive ? "{" : Open(box.Sensitive); }
std::string Close(const Box& box) { return box.Inert && box.Sensitive ? "}" : Close(box.Sensitive); }

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
      canvas.Put(box.X, box.Y, Open(box) + Fit(box.Title, box.W - 4) + " v" + Close(box));
      break;
    case Look::Button:
      canvas.Put(box.X, box.Y, Open(box) + Centered(box.Title, box.W - 2) + Close(box));
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

}  // namespace vexdrive
