// The book of a validation: the tests its JUnit report lists, the cases run, each command's
// counts, and the findings, one group for each kind and message with the simplest case that
// showed it. It keeps all of these in the validation's outcome.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "Case.h"
#include "Outcome.h"

namespace vexvalidator {

class FindingBook {
 public:
  // Writes into `outcome`, which outlives the book.
  explicit FindingBook(Outcome& outcome) : _Outcome(outcome) {}

  // A new test, after those there are; returns its number.
  std::size_t AddTest(const std::string& suite, std::string name);
  // What a case found, in its test (each finding once) and in the findings' groups. `step`: the
  // line of the case during which it happened; -1: at the end of the path.
  void Record(const Case& where, const std::vector<Finding>& findings, std::size_t test, int step = -1);
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
  std::map<Finding, FindingGroup> _Groups;
};

}  // namespace vexvalidator
