#include "ApprovedComparison.h"

#include <set>

#include "ApprovedCompaction.h"
#include "FaultOutcomes.h"
#include "validator/case/UnifiedDiff.h"

namespace vexvalidator {

namespace {

using Sections = std::map<std::vector<std::string>, std::string>;
// For each folder, each path's sections by file.
using Folders = std::map<std::string, std::map<std::vector<std::string>, std::map<std::string, std::string>>>;

// A path's calls before its fault outcomes, whatever the names sort as.
int Rank(const std::string& file) {
  const auto slash = file.rfind('/');
  const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  return name == "paths.txt" ? 0 : name == "faults.txt" ? 1 : 2;
}

struct ByRank {
  bool operator()(const std::string& a, const std::string& b) const {
    return Rank(a) != Rank(b) ? Rank(a) < Rank(b) : a < b;
  }
};

bool Named(const std::string& file, const std::string& name) {
  return file.size() > name.size() && file.compare(file.size() - name.size(), name.size(), name) == 0 &&
         file[file.size() - name.size() - 1] == '/';
}

// Files in a folder hold paths, but for the legend of fault outcomes, which is put into each
// section of fault points with the outcomes it names; a file at the top (the module's loading) is
// compared whole.
Folders PathFiles(const ApprovedSet& set, std::map<std::string, std::string>& whole) {
  Folders folders;
  std::map<std::string, std::map<std::string, std::string>> legends;
  for (const auto& [name, text] : set.Files) {
    if (Named(name, "outcomes.txt")) legends[name.substr(0, name.find('/'))] = ReadLegend(text);
  }
  for (const auto& [name, text] : set.Files) {
    const auto slash = name.find('/');
    if (slash == std::string::npos) {
      whole[name] = text;
      continue;
    }
    if (Named(name, "outcomes.txt")) continue;
    const std::string folder = name.substr(0, slash);
    auto& paths = folders[folder];
    for (auto& [steps, section] : SplitSections(Expanded(text))) {
      paths[steps][name] = Named(name, "faults.txt") ? ExpandFaults(section, legends[folder]) : std::move(section);
    }
  }
  return folders;
}

// A file from its first section on: the comments before it say what the file holds.
std::string Body(const std::string& text) {
  const std::size_t first = text.rfind("== ", 0) == 0 ? 0 : text.find("\n== ");
  return first == std::string::npos ? text : text.substr(first == 0 ? 0 : first + 1);
}

}  // namespace

Sections SplitSections(const std::string& text) {
  Sections sections;
  std::vector<std::string> steps;
  std::string section;
  bool inHeading = false;
  bool any = false;
  auto close = [&] {
    if (any) sections[steps] += section;
    steps.clear();
    section.clear();
  };
  for (const auto& line : SplitLines(text)) {
    if (line.rfind("== ", 0) == 0) {
      close();
      any = true;
      inHeading = true;
    } else if (inHeading && line.rfind("-- ", 0) == 0) {
      inHeading = false;
    } else if (inHeading) {
      steps.push_back(line);
    }
    if (any) section += line + "\n";
  }
  close();
  return sections;
}

std::string Joined(const std::map<std::string, std::string>& sections) {
  std::map<std::string, std::string, ByRank> ordered(sections.begin(), sections.end());
  std::string text;
  for (const auto& [file, section] : ordered) text += section;
  return text;
}

Comparison Compare(const ApprovedSet& approved, const ApprovedSet& now, bool sameBounds) {
  Comparison comparison;
  std::map<std::string, std::string> approvedWhole;
  std::map<std::string, std::string> nowWhole;
  const Folders before = PathFiles(approved, approvedWhole);
  const Folders after = PathFiles(now, nowWhole);
  std::set<std::string> folders;
  for (const auto& [folder, unused] : before) folders.insert(folder);
  for (const auto& [folder, unused] : after) folders.insert(folder);
  const std::map<std::vector<std::string>, std::map<std::string, std::string>> none;
  for (const auto& folder : folders) {
    const auto was = before.find(folder);
    const auto is = after.find(folder);
    const auto& wasPaths = was == before.end() ? none : was->second;
    const auto& isPaths = is == after.end() ? none : is->second;
    std::set<std::vector<std::string>> steps;
    for (const auto& [path, unused] : wasPaths) steps.insert(path);
    for (const auto& [path, unused] : isPaths) steps.insert(path);
    for (const auto& path : steps) {
      const auto a = wasPaths.find(path);
      const auto b = isPaths.find(path);
      PathChange change;
      change.Folder = folder;
      change.Steps = path;
      if (a != wasPaths.end()) change.Approved = a->second;
      if (b != isPaths.end()) change.Now = b->second;
      if (a != wasPaths.end() && b != isPaths.end()) {
        ++comparison.Compared;
        if (Joined(change.Approved) == Joined(change.Now)) continue;
        change.What = PathChange::How::Changed;
      } else {
        if (!sameBounds) continue;
        change.What = a != wasPaths.end() ? PathChange::How::Vanished : PathChange::How::Appeared;
      }
      comparison.Paths.push_back(std::move(change));
    }
  }
  std::set<std::string> names;
  for (const auto& [name, unused] : approvedWhole) names.insert(name);
  for (const auto& [name, unused] : nowWhole) names.insert(name);
  for (const auto& name : names) {
    const std::string was = approvedWhole.count(name) != 0 ? approvedWhole.at(name) : std::string();
    const std::string is = nowWhole.count(name) != 0 ? nowWhole.at(name) : std::string();
    if (Body(was) != Body(is)) comparison.Files.push_back({name, was, is});
  }
  return comparison;
}

}  // namespace vexvalidator
