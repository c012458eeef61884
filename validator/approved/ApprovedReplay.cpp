#include "ApprovedReplay.h"

#include <algorithm>
#include <map>

#include "drive/Action.h"
#include "validator/case/UnifiedDiff.h"

namespace vexvalidator {

namespace {

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "A (OK on), B \"a, b\"" cut at the ", " outside double quotes.
std::vector<std::string> Items(const std::string& list) {
  std::vector<std::string> items(1);
  bool quoted = false;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == '"' && (i == 0 || list[i - 1] != '\\')) quoted = !quoted;
    if (!quoted && list.compare(i, 2, ", ") == 0) {
      items.emplace_back();
      ++i;
    } else {
      items.back() += list[i];
    }
  }
  return items;
}

// A text a record quoted, when it stands as it was: a text with an escape or a quote inside is left
// alone, since the record's quoting cannot tell it apart.
bool Unquoted(const std::string& quoted, std::string& text) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
  text = quoted.substr(1, quoted.size() - 2);
  return text.find('"') == std::string::npos && text.find('\\') == std::string::npos;
}

// Part numbers a record's product lines state, by path: what a new product and a renumbered one
// hold at the end, and with `before`, what a renumbered one held before.
std::map<std::string, std::string> PartNumbers(const std::vector<std::string>& lines, bool before) {
  std::map<std::string, std::string> numbers;
  for (const auto& line : lines) {
    std::string path;
    std::string value;
    if (StartsWith(line, "products: new ")) {
      const std::size_t colon = line.find(": ", 14);
      const std::size_t at = line.find("part number \"", 14);
      if (before || colon == std::string::npos || at == std::string::npos) continue;
      path = line.substr(14, colon - 14);
      value = line.substr(at + 12);
    } else if (StartsWith(line, "products: part number of ")) {
      const std::size_t colon = line.find(": \"", 25);
      const std::size_t arrow = line.find("\" -> \"", colon == std::string::npos ? 0 : colon);
      if (colon == std::string::npos || arrow == std::string::npos) continue;
      path = line.substr(25, colon - 25);
      value = before ? line.substr(colon + 2, arrow - colon - 1) : line.substr(arrow + 5);
    } else {
      continue;
    }
    std::string text;
    if (Unquoted(value, text)) numbers[path] = text;
  }
  return numbers;
}

// The title in a window's top border of a drawn line: "| += Title ====+".
std::vector<std::string> DrawnTitles(const std::vector<std::string>& lines) {
  std::vector<std::string> titles;
  for (const auto& line : lines) {
    if (!StartsWith(line, "| ")) continue;
    for (std::size_t at = line.find("+= "); at != std::string::npos; at = line.find("+= ", at + 3)) {
      const std::string rest = line.substr(at + 3);
      titles.push_back(rest.substr(0, std::min(rest.find(" ="), rest.find(" +"))));
    }
  }
  return titles;
}

void AddShown(const std::string& list, std::vector<std::string>& expect, std::vector<std::string>& names,
              bool& greyed) {
  if (list == "nothing") return;
  for (const auto& item : Items(list)) {
    const std::string name = item.substr(0, std::min(item.find(" ("), item.find(" \"")));
    const std::string word = vexdrive::ScriptWord(name);
    names.push_back(word);
    expect.push_back("expect dialog " + word + " shown");
    if (EndsWith(item, " (greyed out)")) {
      greyed = true;
      expect.push_back("expect sensitive " + word + " off");
    } else if (EndsWith(item, " (OK on)") || EndsWith(item, " (OK off)")) {
      expect.push_back("expect sensitive " + vexdrive::ScriptWord(name + "/OK") +
                       (EndsWith(item, " (OK on)") ? " on" : " off"));
    }
  }
}

}  // namespace

std::vector<std::string> SeenExpectations(const std::string& approvedSeen, const std::string& against) {
  const std::vector<std::string> lines = SplitLines(approvedSeen);
  std::vector<std::string> expect;
  std::vector<std::string> shown;
  bool greyed = false;
  for (const auto& line : lines) {
    if (StartsWith(line, "running: ")) {
      expect.push_back(StartsWith(line, "running: no;") ? "expect running no" : "expect running yes");
      const std::size_t at = line.find("; shown: ");
      if (at != std::string::npos) AddShown(line.substr(at + 9), expect, shown, greyed);
    } else if (StartsWith(line, "hidden: ")) {
      for (const auto& name : Items(line.substr(8)))
        expect.push_back("expect dialog " + vexdrive::ScriptWord(name) + " hidden");
    }
  }
  // A window's title, where the drawing's windows are the shown dialogs one for one.
  const std::vector<std::string> titles = DrawnTitles(lines);
  if (!greyed && titles.size() == shown.size()) {
    for (std::size_t i = 0; i < titles.size(); ++i) {
      expect.push_back("expect title " + shown[i] + " " + vexdrive::ScriptWord(titles[i]));
    }
  }
  std::map<std::string, std::string> numbers = PartNumbers(lines, false);
  // A part number this run changed and the approved record did not: it kept what it held before.
  for (const auto& [path, held] : PartNumbers(SplitLines(against), true)) numbers.emplace(path, held);
  for (const auto& [path, number] : numbers) {
    expect.push_back("expect partnumber " + vexdrive::ScriptWord(path) + " " + vexdrive::ScriptWord(number));
  }
  return expect;
}

std::vector<std::string> ApprovedEnding(const std::string& approvedSeen, const std::string& nowSeen) {
  if (approvedSeen.empty()) {
    return {
        "# the approved record holds no end for this case (this run met what the approved did not): the change "
        "lies in the calls across the boundary; run this with --journal FILE and compare"};
  }
  const std::vector<std::string> approved = SeenExpectations(approvedSeen, nowSeen);
  std::vector<std::string> now = SeenExpectations(nowSeen, approvedSeen);
  std::vector<std::string> sorted = approved;
  std::sort(sorted.begin(), sorted.end());
  std::sort(now.begin(), now.end());
  if (sorted != now) {
    std::vector<std::string> lines{
        "# what the approved record saw at the end: an expectation this run fails shows "
        "the approved value against the one found"};
    lines.insert(lines.end(), approved.begin(), approved.end());
    return lines;
  }
  if (approvedSeen == nowSeen) {
    return {
        "# a person sees at the end what the approved record saw: the change lies in the calls across the "
        "boundary; run this with --journal FILE and compare its calls with the approved diff above"};
  }
  return {
      "# the end differs from the approved in what no expectation reads (a state, a drawing's detail): "
      "compare `show` at the end of this replay with the approved diff above"};
}

std::string SeenAtEnd(const std::string& pathSection) {
  std::string seen;
  bool inside = false;
  for (const auto& line : SplitLines(pathSection)) {
    if (line == "-- the end") {
      inside = true;
    } else if (inside && StartsWith(line, "-- the host ends the run")) {
      break;
    } else if (inside) {
      seen += line + "\n";
    }
  }
  return seen;
}

}  // namespace vexvalidator
