#include "FindingBook.h"

#include <algorithm>

#include "RootCause.h"

namespace vexvalidator {

namespace {

// A finding of one step is shown by the case's lines up to that step, then the expectation that
// fails after it; a finding of the whole case by the whole case.
Occurrence OccurrenceOf(const Finding& finding, const Case& where, int step) {
  if (finding.Step < 0 || finding.Step >= static_cast<int>(where.Lines.size())) return {finding, where, step};
  Case shown = where;
  shown.Lines.resize(static_cast<std::size_t>(finding.Step) + 1);
  // The expectation may be several lines, one to a line break: the rest of what shows the finding.
  for (std::size_t at = 0; at < finding.Expectation.size();) {
    const std::size_t end = std::min(finding.Expectation.find('\n', at), finding.Expectation.size());
    shown.Lines.push_back(finding.Expectation.substr(at, end - at));
    at = end + 1;
  }
  return {finding, shown, finding.Step};
}

}  // namespace

std::size_t FindingBook::AddTest(const std::string& suite, std::string name) {
  _Outcome.Tests.push_back({suite, std::move(name), 0, false, {}});
  return _Outcome.Tests.size() - 1;
}

void FindingBook::Record(const Case& where, const std::vector<Finding>& findings, std::size_t test, int step,
                         double seconds) {
  TestRecord& record = _Outcome.Tests.at(test);
  for (const Finding& finding : findings) {
    if (std::find(record.Failures.begin(), record.Failures.end(), finding) == record.Failures.end()) {
      record.Failures.push_back(finding);
    }
    const Occurrence occurrence = OccurrenceOf(finding, where, step);
    const std::string root = RootCause(finding, _HostNames);
    FindingGroup& group = _Groups[root];
    if (group.Count == 0 || Simpler(occurrence, group.First)) {
      group.First = occurrence;
      group.What = finding;
    }
    group.Root = root;
    ++group.Count;
    ++group.ByPhase[where.Stage];
    ++group.Variants[finding.Message];
    group.Seconds += seconds;
  }
}

void FindingBook::AddPhase(const std::string& command, Phase phase, int cases, double seconds) {
  PhaseRecord& record = _Outcome.Phases[command.empty() ? PhaseName(phase) : command + "." + PhaseName(phase)];
  record.Cases += cases;
  record.Seconds += seconds;
}

void FindingBook::Close() {
  _Outcome.Findings.clear();
  for (const auto& [finding, group] : _Groups) _Outcome.Findings.push_back(group);
  // Ties stay in the order of kind and message.
  std::stable_sort(_Outcome.Findings.begin(), _Outcome.Findings.end(),
                   [](const FindingGroup& a, const FindingGroup& b) { return Simpler(a.First, b.First); });
}

}  // namespace vexvalidator
