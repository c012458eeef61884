#include "FindingBook.h"

#include <algorithm>

namespace vexvalidator {

std::size_t FindingBook::AddTest(const std::string& suite, std::string name) {
  _Outcome.Tests.push_back({suite, std::move(name), 0, false, {}});
  return _Outcome.Tests.size() - 1;
}

void FindingBook::Record(const Case& where, const std::vector<Finding>& findings, std::size_t test, int step) {
  TestRecord& record = _Outcome.Tests.at(test);
  for (const Finding& finding : findings) {
    if (std::find(record.Failures.begin(), record.Failures.end(), finding) == record.Failures.end()) {
      record.Failures.push_back(finding);
    }
    const Occurrence occurrence{finding, where, step};
    FindingGroup& group = _Groups[finding];
    if (group.Count == 0 || Simpler(occurrence, group.First)) group.First = occurrence;
    group.What = finding;
    ++group.Count;
    ++group.ByPhase[where.Stage];
  }
}

void FindingBook::Close() {
  _Outcome.Findings.clear();
  for (const auto& [finding, group] : _Groups) _Outcome.Findings.push_back(group);
  // Ties stay in the order of kind and message.
  std::stable_sort(_Outcome.Findings.begin(), _Outcome.Findings.end(),
                   [](const FindingGroup& a, const FindingGroup& b) { return Simpler(a.First, b.First); });
}

}  // namespace vexvalidator
