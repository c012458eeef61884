// The book of a validation: its tests, the cases run and how long each phase took, each command's
// counts and coverage, and the findings, one group for each root cause (RootCause.h) with the
// simplest case that showed it. It keeps all of these in the validation's outcome.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Outcome.h"
#include "validator/case/Case.h"

namespace vexvalidator {

class FindingBook {
 public:
  // Writes into `outcome`, which outlives the book. `hostNames`: the names of the objects the
  // document gives the host, which a root cause does not tell apart.
  explicit FindingBook(Outcome& outcome, std::set<std::string> hostNames = {})
      : _Outcome(outcome), _HostNames(std::move(hostNames)) {}

  // A new test, after those there are; returns its number.
  std::size_t AddTest(const std::string& suite, std::string name);
  // What a case found, in its test (each finding once) and in the findings' groups. `step`: the
  // line of the case during which it happened; -1: at the end of the path. A finding of one step
  // (Finding::Step) is shown by the case up to that step, its expectation after it. `seconds`: how
  // long the case took.
  void Record(const Case& where, const std::vector<Finding>& findings, std::size_t test, int step = -1,
              double seconds = 0);
  // Cases of a phase of a command ("" for the loading), and how long they took.
  void AddPhase(const std::string& command, Phase phase, int cases, double seconds);
  CommandCoverage& Coverage(const std::string& command) { return _Outcome.Coverage[command]; }
  // Cases run: in all, and those of one test.
  void AddCases(int count) { _Outcome.Cases += count; }
  void AddTestCases(std::size_t test, int count) { _Outcome.Tests.at(test).Cases += count; }
  // A test whose case was not run.
  void MarkSkipped(std::size_t test) { _Outcome.Tests.at(test).Skipped = true; }
  CommandStats& Stats(const std::string& command) { return _Outcome.Stats[command]; }
  // Findings told apart so far.
  std::size_t FindingCount() const { return _Groups.size(); }
  // Puts the findings into the outcome, in the order of their simplest cases.
  void Close();

 private:
  Outcome& _Outcome;
  std::set<std::string> _HostNames;
  std::map<std::string, FindingGroup> _Groups;  // by root cause
};

}  // namespace vexvalidator
