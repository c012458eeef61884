#include "Svg.h"

#include <sstream>

#include "Text.h"

namespace vexdrive {

namespace {

constexpr int CellWidth = 9;
constexpr int CellHeight = 20;
constexpr int Margin = 12;
constexpr int Baseline = 14;  // from the top of a cell
constexpr const char* Ink = "#1d1d1d";
constexpr const char* GreyInk = "#9a9a9a";
constexpr const char* WindowFill = "#f5f5f2";
constexpr const char* Line = "#8c8c8c";

int Px(int x) { return Margin + x * CellWidth; }
int Py(int y) { return Margin + y * CellHeight; }

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped += c;
        break;
    }
  }
  return escaped;
}

class Writer {
 public:
  void Rect(int x, int y, int w, int h, const std::string& fill, const std::string& stroke, int radius = 0,
            const std::string& extra = {}) {
    _Out << "  <rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << w << "\" height=\"" << h << "\" rx=\"" << radius
         << "\" fill=\"" << fill << "\" stroke=\"" << stroke << "\"" << extra << "/>\n";
  }
  void Text(int x, int y, const std::string& text, const std::string& colour, const std::string& extra = {}) {
    if (text.empty()) return;
    _Out << "  <text x=\"" << x << "\" y=\"" << y << "\" fill=\"" << colour << "\"" << extra << ">" << Escaped(text)
         << "</text>\n";
  }
  void HLine(int x1, int x2, int y, const std::string& stroke, const std::string& extra = {}) {
    _Out << "  <line x1=\"" << x1 << "\" y1=\"" << y << "\" x2=\"" << x2 << "\" y2=\"" << y << "\" stroke=\"" << stroke
         << "\"" << extra << "/>\n";
  }
  std::string Done() const { return _Out.str(); }

 private:
  std::ostringstream _Out;
};

const char* InkOf(const Box& box) { return box.Sensitive ? Ink : GreyInk; }

// A widget that is there but does nothing (Box::Inert) has a dashed outline where it would be usable.
bool DrawnInert(const Box& box) { return box.Inert && box.Sensitive; }
const char* const InertOutline = " stroke-dasharray=\"4 3\"";

void DrawWindow(Writer& out, const Box& box) {
  out.Rect(Px(box.X), Py(box.Y), box.W * CellWidth, box.H * CellHeight, WindowFill, "#5a6470", 6);
  out.Rect(Px(box.X), Py(box.Y), box.W * CellWidth, CellHeight, box.Sensitive ? "#2f5d8a" : "#8a9aa8", "#5a6470", 6);
  out.Text(Px(box.X + 1), Py(box.Y) + Baseline, box.Title, "#ffffff", " font-weight=\"bold\"");
}

void DrawFrame(Writer& out, const Box& box) {
  out.Rect(Px(box.X) + CellWidth / 2, Py(box.Y) + CellHeight / 2, (box.W - 1) * CellWidth, (box.H - 1) * CellHeight,
           "none", Line, 4);
  if (box.Title.empty()) return;
  // Greyed out by its colour, as on the page: the parentheses are the text drawing's only grey.
  const std::string& title = box.Title;
  // The title stands in a gap of the border.
  out.Rect(Px(box.X + 2), Py(box.Y) + 3, (Width(title) + 1) * CellWidth, CellHeight - 6, WindowFill, "none");
  out.Text(Px(box.X + 2) + CellWidth / 2, Py(box.Y) + Baseline, title, InkOf(box));
}

void DrawField(Writer& out, const Box& box, const std::vector<std::string>& lines) {
  out.Rect(Px(box.X) + 1, Py(box.Y) + 2, box.W * CellWidth - 2, box.H * CellHeight - 4,
           box.Sensitive ? "#ffffff" : "#ececec", box.Sensitive ? "#6f6f6f" : "#c4c4c4", 2,
           DrawnInert(box) ? InertOutline : "");
  for (std::size_t line = 0; line < lines.size() && static_cast<int>(line) < box.H; ++line) {
    out.Text(Px(box.X + 1), Py(box.Y + static_cast<int>(line)) + Baseline, lines[line], InkOf(box));
  }
}

void DrawBox(Writer& out, const Box& box) {
  switch (box.Kind) {
    case Look::Window:
      DrawWindow(out, box);
      break;
    case Look::Frame:
      DrawFrame(out, box);
      break;
    case Look::Editor:
      DrawField(out, box, box.Lines);
      break;
    case Look::Combo:
      DrawField(out, box, {box.Title});
      out.Text(Px(box.X + box.W - 2), Py(box.Y) + Baseline, "v", InkOf(box));
      break;
    case Look::Button:
      out.Rect(Px(box.X) + 1, Py(box.Y) + 1, box.W * CellWidth - 2, CellHeight - 2,
               box.Sensitive ? "#e1e6ee" : "#f0f0f0", box.Sensitive ? "#5a6470" : "#c4c4c4", 4,
               DrawnInert(box) ? InertOutline : "");
      out.Text(Px(box.X) + box.W * CellWidth / 2, Py(box.Y) + Baseline, box.Title, InkOf(box),
               " text-anchor=\"middle\"");
      break;
    case Look::Separator:
      out.HLine(Px(box.X), Px(box.X + box.W), Py(box.Y) + CellHeight / 2, box.Sensitive ? Line : "#c4c4c4");
      break;
    case Look::Message:
      for (std::size_t line = 0; line < box.Lines.size(); ++line) {
        out.Text(Px(box.X), Py(box.Y + static_cast<int>(line)) + Baseline, box.Lines[line], InkOf(box));
      }
      break;
    case Look::Label:
    case Look::Other:
      out.Text(Px(box.X), Py(box.Y) + Baseline, box.Title, InkOf(box));
      break;
  }
}

}  // namespace

std::string DrawSvg(const Picture& picture) {
  Writer body;
  for (const auto& box : picture.Boxes) DrawBox(body, box);
  if (picture.Boxes.empty()) body.Text(Margin, Margin + Baseline, "No dialog is shown.", GreyInk);
  // A line under the dialogs says what a dashed outline means, where one is drawn.
  const bool legend = HoldsInert(picture);
  if (legend) {
    body.Text(Margin, Margin + picture.Height * CellHeight + Baseline,
              "dashed: there, but it does nothing: this host tells no module of it", GreyInk);
  }
  const int width = 2 * Margin + std::max(picture.Width, 20) * CellWidth;
  const int height = 2 * Margin + (std::max(picture.Height, 1) + (legend ? 1 : 0)) * CellHeight;
  std::ostringstream svg;
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << width << "\" height=\"" << height
      << "\" viewBox=\"0 0 " << width << " " << height << "\" xml:space=\"preserve\""
      << " font-family=\"DejaVu Sans Mono, monospace\" font-size=\"14\">\n"
      << "  <rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
      << body.Done() << "</svg>\n";
  return svg.str();
}

}  // namespace vexdrive
