// The rules in the reports: the table as `vexhost validate --rules` prints it, and for a
// validation, every rule with how many findings it gave and what its watch cannot see.
#pragma once

#include <tinyxml2.h>

#include <iosfwd>

#include <nlohmann/json.hpp>

#include "Outcome.h"

namespace vexvalidator {

// Every rule, a block each: its id and kind, then the rule, what is watched, what cannot be seen
// and its planted example, one a line.
void WriteRules(std::ostream& out);

// The findings of a rule in a validation: how many groups, and in how many cases together.
struct RuleSeen {
  int Findings = 0;
  int Cases = 0;
};
RuleSeen SeenOf(const Outcome& outcome, const char* kind);

void WriteRulesSeen(std::ostream& out, const Outcome& outcome);
nlohmann::ordered_json RulesJson(const Outcome& outcome);
// A suite "rules" under the report's root: a test case for each rule, what it saw in its output.
void AddRulesSuite(tinyxml2::XMLElement& root, const Outcome& outcome);

}  // namespace vexvalidator
