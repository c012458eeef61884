#include "ApprovedCompaction.h"

#include <map>
#include <vector>

#include "FaultOutcomes.h"
#include "validator/case/UnifiedDiff.h"

namespace vexvalidator {

namespace {

enum class Kind { Line, Drawing, FaultPoints };

// A file cut into lines and the parts that may repeat: a drawing (a run of lines that begin with
// "| ") and the points under a heading of fault points (up to the next section).
struct Piece {
  Kind What = Kind::Line;
  std::string Text;  // the line, or the part's lines, each ended by a line break
};

constexpr const char* DrawingMark = "drawing ";
constexpr const char* DrawingAgain = "shown as drawing ";
constexpr const char* SetOpen = "-- fault points (set ";
constexpr const char* SetClose = "), the outcome each reached, the digest of their calls";
constexpr const char* SetAgain = "-- fault points as set ";

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsDrawn(const std::string& line) { return StartsWith(line, "| "); }

// What follows `start` in a line that begins with it.
std::string After(const std::string& line, const std::string& start) { return line.substr(start.size()); }

// The lines from `at` on that a part holds: drawn lines, or the lines up to the next section.
std::string PartFrom(const std::vector<std::string>& lines, std::size_t& at, Kind kind) {
  std::string part;
  for (; at < lines.size(); ++at) {
    const bool inside = kind == Kind::Drawing ? IsDrawn(lines[at]) : !StartsWith(lines[at], "== ");
    if (!inside) break;
    part += lines[at] + "\n";
  }
  return part;
}

std::vector<Piece> Pieces(const std::string& text) {
  const std::vector<std::string> lines = SplitLines(text);
  std::vector<Piece> pieces;
  for (std::size_t at = 0; at < lines.size();) {
    if (IsDrawn(lines[at])) {
      pieces.push_back({Kind::Drawing, PartFrom(lines, at, Kind::Drawing)});
    } else if (lines[at] == FaultPointsHeading) {
      ++at;
      pieces.push_back({Kind::FaultPoints, PartFrom(lines, at, Kind::FaultPoints)});
    } else {
      pieces.push_back({Kind::Line, lines[at++]});
    }
  }
  return pieces;
}

// The name of each part of a kind that stands more than once.
std::map<std::string, std::string> NamesOfRepeated(const std::vector<Piece>& pieces, Kind kind) {
  std::map<std::string, int> uses;
  for (const auto& piece : pieces) {
    if (piece.What == kind) ++uses[piece.Text];
  }
  std::vector<std::string> repeated;
  for (const auto& [part, count] : uses) {
    if (count > 1) repeated.push_back(part);
  }
  const std::vector<std::string> labels = OutcomeLabels(repeated);
  std::map<std::string, std::string> names;
  for (std::size_t i = 0; i < repeated.size(); ++i) names[repeated[i]] = labels[i];
  return names;
}

// What a name stands for, of the definitions in the file.
struct Definitions {
  std::map<std::string, std::string> Drawings, Sets;
};

Definitions DefinitionsOf(const std::vector<std::string>& lines) {
  Definitions found;
  for (std::size_t at = 0; at < lines.size();) {
    const std::string& line = lines[at++];
    if (StartsWith(line, DrawingMark) && EndsWith(line, ":")) {
      std::string name = After(line, DrawingMark);
      name.pop_back();
      found.Drawings[name] = PartFrom(lines, at, Kind::Drawing);
    } else if (StartsWith(line, SetOpen) && EndsWith(line, SetClose)) {
      std::string name = After(line, SetOpen);
      name.erase(name.size() - std::string(SetClose).size());
      found.Sets[name] = PartFrom(lines, at, Kind::FaultPoints);
    }
  }
  return found;
}

std::string Lookup(const std::map<std::string, std::string>& parts, const std::string& name, const char* what) {
  const auto found = parts.find(name);
  return found != parts.end() ? found->second : "(" + std::string(what) + " " + name + " is not in the file)\n";
}

}  // namespace

std::string Compacted(const std::string& text) {
  const std::vector<Piece> pieces = Pieces(text);
  const auto drawings = NamesOfRepeated(pieces, Kind::Drawing);
  const auto sets = NamesOfRepeated(pieces, Kind::FaultPoints);
  std::map<std::string, bool> written;
  std::string compacted;
  for (const auto& piece : pieces) {
    if (piece.What == Kind::Line) {
      compacted += piece.Text + "\n";
      continue;
    }
    const bool drawing = piece.What == Kind::Drawing;
    const auto& names = drawing ? drawings : sets;
    const auto name = names.find(piece.Text);
    if (name == names.end()) {
      compacted += (drawing ? std::string() : std::string(FaultPointsHeading) + "\n") + piece.Text;
    } else if (written[(drawing ? "d" : "s") + name->second]) {
      compacted += (drawing ? DrawingAgain : SetAgain) + name->second + "\n";
    } else {
      written[(drawing ? "d" : "s") + name->second] = true;
      compacted += (drawing ? DrawingMark + name->second + ":" : SetOpen + name->second + SetClose) + "\n";
      compacted += piece.Text;
    }
  }
  return compacted;
}

std::string Expanded(const std::string& text) {
  const std::vector<std::string> lines = SplitLines(text);
  const Definitions definitions = DefinitionsOf(lines);
  std::string expanded;
  for (const auto& line : lines) {
    if (StartsWith(line, DrawingMark) && EndsWith(line, ":")) continue;  // its drawn lines follow
    if (StartsWith(line, DrawingAgain)) {
      expanded += Lookup(definitions.Drawings, After(line, DrawingAgain), "drawing");
    } else if (StartsWith(line, SetOpen) && EndsWith(line, SetClose)) {
      expanded += std::string(FaultPointsHeading) + "\n";
    } else if (StartsWith(line, SetAgain)) {
      expanded += std::string(FaultPointsHeading) + "\n" + Lookup(definitions.Sets, After(line, SetAgain), "set");
    } else {
      expanded += line + "\n";
    }
  }
  return expanded;
}

}  // namespace vexvalidator
