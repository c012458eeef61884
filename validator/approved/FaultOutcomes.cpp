#include "FaultOutcomes.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

#include "validator/case/Faults.h"
#include "validator/case/UnifiedDiff.h"

namespace vexvalidator {

namespace {

constexpr const char* Continued = "    ";
constexpr const char* Once = ", once";
constexpr const char* FromThenOn = ", from then on";
constexpr const char* Both = ", once and from then on";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Stem(const std::string& name, const std::string& end) { return name.substr(0, name.size() - end.size()); }

// FNV-1a, then mixed (as splitmix64 finishes) so that its leading digits depend on every byte:
// outcomes often differ in their last characters only.
std::string Digest(const std::string& text, int digits) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ULL;
  hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9ULL;
  hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebULL;
  hash ^= hash >> 31;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::string(hex, static_cast<std::size_t>(digits));
}

// The labels a family's line names, in order: "[a3f2c810]" of "1-3 [a3f2c810]; 4 [77c1e3a0]".
std::vector<std::string> NamedLabels(const std::string& runs) {
  std::vector<std::string> labels;
  for (std::size_t open = runs.find('['); open != std::string::npos; open = runs.find('[', open + 1)) {
    const std::size_t close = runs.find(']', open);
    if (close == std::string::npos) break;
    labels.push_back(runs.substr(open + 1, close - open - 1));
  }
  return labels;
}

bool IsFamilyLine(const std::string& line) {
  return !line.empty() && line[0] != '[' && line[0] != ' ' && line.rfind("== ", 0) != 0 && line.rfind("-- ", 0) != 0 &&
         line.find(": ") != std::string::npos;
}

// A family's line split into its name, its runs and the digest of its calls.
struct FamilyLine {
  std::string Name, Runs, Calls;
};

FamilyLine SplitFamilyLine(const std::string& line) {
  const std::size_t colon = line.find(": ");
  FamilyLine split{line.substr(0, colon), line.substr(colon + 2), ""};
  const std::size_t mark = split.Runs.find(CallsMark);
  if (mark != std::string::npos) {
    split.Calls = split.Runs.substr(mark + std::string(CallsMark).size());
    split.Runs.erase(mark);
  }
  return split;
}

std::map<std::string, std::string> ReadCalls(const std::string& expanded) {
  std::map<std::string, std::string> calls;
  for (const auto& line : SplitLines(expanded.substr(0, expanded.find("-- outcomes\n")))) {
    if (!IsFamilyLine(line)) continue;
    const FamilyLine family = SplitFamilyLine(line);
    for (const auto& name : FamiliesNamed(family.Name)) calls[name] = family.Calls;
  }
  return calls;
}

}  // namespace

std::vector<std::string> OutcomeLabels(const std::vector<std::string>& outcomes) {
  std::vector<std::string> labels(outcomes.size());
  std::vector<std::size_t> unlabelled(outcomes.size());
  for (std::size_t i = 0; i < outcomes.size(); ++i) unlabelled[i] = i;
  for (int digits : {8, 16}) {
    std::map<std::string, int> uses;
    for (std::size_t i : unlabelled) ++uses[Digest(outcomes[i], digits)];
    std::vector<std::size_t> shared;
    for (std::size_t i : unlabelled) {
      const std::string label = Digest(outcomes[i], digits);
      if (uses[label] == 1 || digits == 16) {
        labels[i] = label;
      } else {
        shared.push_back(i);
      }
    }
    unlabelled = std::move(shared);
  }
  // Two outcomes with one 64-bit digest: told apart by their order, which is their text's.
  std::map<std::string, std::vector<std::size_t>> same;
  for (std::size_t i = 0; i < outcomes.size(); ++i) same[labels[i]].push_back(i);
  for (auto& [label, indices] : same) {
    if (indices.size() < 2) continue;
    std::sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) { return outcomes[a] < outcomes[b]; });
    for (std::size_t k = 0; k < indices.size(); ++k) labels[indices[k]] = label + "-" + std::to_string(k + 1);
  }
  return labels;
}

std::string FamilyLines(const std::vector<std::pair<std::string, std::string>>& families) {
  std::string text;
  for (std::size_t i = 0; i < families.size(); ++i) {
    const auto& [name, what] = families[i];
    if (i + 1 < families.size() && EndsWith(name, Once) && families[i + 1].second == what &&
        families[i + 1].first == Stem(name, Once) + FromThenOn) {
      text += Stem(name, Once) + Both + ": " + what + "\n";
      ++i;
    } else {
      text += name + ": " + what + "\n";
    }
  }
  return text;
}

std::vector<std::string> FamiliesNamed(const std::string& name) {
  if (!EndsWith(name, Both)) return {name};
  return {Stem(name, Both) + Once, Stem(name, Both) + FromThenOn};
}

std::string CallsDigest(const std::vector<std::uint64_t>& pointsAndDigests) {
  std::string bytes;
  for (std::uint64_t value : pointsAndDigests) bytes += std::to_string(value) + ";";
  return Digest(bytes, 8);
}

std::string PointRuns(const std::map<int, std::string>& labels) {
  std::string text;
  auto point = labels.begin();
  while (point != labels.end()) {
    const int first = point->first;
    const std::string& label = point->second;
    int last = first;
    for (++point; point != labels.end() && point->first == last + 1 && point->second == label; ++point)
      last = point->first;
    if (!text.empty()) text += "; ";
    text += std::to_string(first) + (last == first ? "" : "-" + std::to_string(last)) + " [" + label + "]";
  }
  return text;
}

std::string LegendText(const std::map<std::string, std::string>& outcomes) {
  std::string text;
  for (const auto& [label, outcome] : outcomes) {
    const std::vector<std::string> lines = SplitLines(outcome);
    for (std::size_t j = 0; j < lines.size(); ++j) text += (j == 0 ? "[" + label + "] " : Continued) + lines[j] + "\n";
    if (lines.empty()) text += "[" + label + "] \n";
  }
  return text;
}

std::map<std::string, std::string> ReadLegend(const std::string& text) {
  std::map<std::string, std::string> legend;
  std::string* current = nullptr;
  for (const auto& line : SplitLines(text)) {
    if (!line.empty() && line[0] == '[') {
      const std::size_t close = line.find("] ");
      if (close == std::string::npos) {
        current = nullptr;
        continue;
      }
      current = &legend[line.substr(1, close - 1)];
      *current = line.substr(close + 2);
    } else if (current != nullptr && line.rfind(Continued, 0) == 0) {
      *current += "\n" + line.substr(4);
    } else {
      current = nullptr;
    }
  }
  return legend;
}

std::string ExpandFaults(const std::string& section, const std::map<std::string, std::string>& legend) {
  std::vector<std::string> named;
  std::set<std::string> seen;
  for (const auto& line : SplitLines(section)) {
    if (!IsFamilyLine(line)) continue;
    for (auto& label : NamedLabels(SplitFamilyLine(line).Runs)) {
      if (seen.insert(label).second) named.push_back(label);
    }
  }
  std::string text = section + "-- outcomes\n";
  for (const auto& label : named) {
    const auto found = legend.find(label);
    text += LegendText({{label, found == legend.end() ? "(not in the legend)" : found->second}});
  }
  return text;
}

std::map<std::string, std::map<int, std::string>> ReadFaults(const std::string& expanded) {
  const std::size_t outcomes = expanded.find("-- outcomes\n");
  const std::map<std::string, std::string> legend =
      ReadLegend(outcomes == std::string::npos ? std::string() : expanded.substr(outcomes));
  std::map<std::string, std::map<int, std::string>> faults;
  for (const auto& line : SplitLines(expanded.substr(0, outcomes))) {
    if (!IsFamilyLine(line)) continue;
    const FamilyLine family = SplitFamilyLine(line);
    std::map<int, std::string> points;
    const std::string& runs = family.Runs;
    for (std::size_t at = 0; at < runs.size();) {
      int first = 0;
      int last = 0;
      char label[64] = {};
      if (std::sscanf(runs.c_str() + at, "%d-%d [%63[^]]]", &first, &last, label) != 3) {
        if (std::sscanf(runs.c_str() + at, "%d [%63[^]]]", &first, label) != 2) break;
        last = first;
      }
      const auto found = legend.find(label);
      for (int n = first; n <= last && n - first < 1000000; ++n) {
        points[n] = found == legend.end() ? std::string(label) : found->second;
      }
      const std::size_t next = runs.find("; ", at);
      at = next == std::string::npos ? runs.size() : next + 2;
    }
    for (const auto& name : FamiliesNamed(family.Name)) faults[name] = points;
  }
  return faults;
}

namespace {

Case FaultCase(const Path& path, const FaultFamily& family, int n, const std::string& label) {
  std::vector<std::string> lines{family.Line(n)};
  lines.insert(lines.end(), path.Steps.begin(), path.Steps.end());
  return Case{Phase::Faults, path.Command, label, lines, n};
}

}  // namespace

std::optional<Case> FirstChangedFaultCase(const Path& path, const std::string& approved, const std::string& now) {
  const auto before = ReadFaults(approved);
  const auto after = ReadFaults(now);
  const std::map<int, std::string> none;
  for (const auto& family : FaultFamilies()) {
    const auto was = before.find(family.Name());
    const auto is = after.find(family.Name());
    const auto& wasPoints = was == before.end() ? none : was->second;
    const auto& isPoints = is == after.end() ? none : is->second;
    std::set<int> points;
    for (const auto& [n, outcome] : wasPoints) points.insert(n);
    for (const auto& [n, outcome] : isPoints) points.insert(n);
    for (int n : points) {
      const auto a = wasPoints.find(n);
      const auto b = isPoints.find(n);
      if (a != wasPoints.end() && b != isPoints.end() && a->second == b->second) continue;
      return FaultCase(path, family, n, family.Name());
    }
  }
  // The same outcomes everywhere: a family whose calls changed is replayed from its first point.
  const auto beforeCalls = ReadCalls(approved);
  const auto afterCalls = ReadCalls(now);
  for (const auto& family : FaultFamilies()) {
    const auto was = beforeCalls.find(family.Name());
    const auto is = afterCalls.find(family.Name());
    if (was == beforeCalls.end() || is == afterCalls.end() || was->second == is->second) continue;
    const auto points = after.find(family.Name());
    const int first = points == after.end() || points->second.empty() ? 1 : points->second.begin()->first;
    return FaultCase(path, family, first, family.Name() + ", the calls of its cases");
  }
  return std::nullopt;
}

}  // namespace vexvalidator
