#include "Planning.h"

namespace vexvalidator {

namespace {

void CollectPaths(const vexhost::ProductData& product, const std::string& prefix, std::vector<std::string>& paths) {
  const std::string path = prefix.empty() ? product.Name : prefix + "/" + product.Name;
  if (product.IsProduct) paths.push_back(path);
  for (const auto& child : product.Children) CollectPaths(child, path, paths);
}

}  // namespace

void HungLines::Note(const Pool::Death& death, const std::vector<std::string>& lines) {
  if (death.TimedOut && death.Line >= 0 && death.Line < static_cast<int>(lines.size())) {
    ++_Hangs[lines[static_cast<std::size_t>(death.Line)]];
  }
}

bool HungLines::HungTooOften(const std::string& line) const {
  const auto hangs = _Hangs.find(line);
  return hangs != _Hangs.end() && hangs->second >= HangsBeforeSkipping;
}

std::vector<std::string> HungLines::Lines() const {
  std::vector<std::string> lines;
  for (const auto& [line, hangs] : _Hangs) lines.push_back(line);
  return lines;
}

Finding DeathFinding(const Pool::Death& death, const std::vector<std::string>& lines) {
  std::string when;
  if (death.Line >= 0 && death.Line < static_cast<int>(lines.size())) {
    when = " during `" + lines[static_cast<std::size_t>(death.Line)] + "`";
  } else if (death.Line == static_cast<int>(lines.size())) {
    when = " at the end of the run, as the host closed the document";
  }
  return {death.TimedOut ? kind::Hang : kind::Crash, death.How + when};
}

std::vector<std::string> ProductPaths(const vexhost::DocumentData& document) {
  std::vector<std::string> paths;
  CollectPaths(document.Root, "", paths);
  return paths;
}

}  // namespace vexvalidator
