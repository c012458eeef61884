#include "RulesReport.h"

#include <tinyxml2.h>

#include <ostream>
#include <string>

#include "validator/case/Rules.h"

namespace vexvalidator {

namespace {

std::string PlantedName(const Rule& rule) {
  return *rule.Planted != '\0' ? std::string(rule.Planted) : std::string("none yet");
}

std::string SeenText(const RuleSeen& seen) {
  if (seen.Findings == 0) return "no findings";
  return std::to_string(seen.Findings) + (seen.Findings == 1 ? " finding" : " findings") + " in " +
         std::to_string(seen.Cases) + (seen.Cases == 1 ? " case" : " cases");
}

}  // namespace

void WriteRules(std::ostream& out) {
  bool first = true;
  for (const Rule& rule : RuleTable) {
    if (!first) out << "\n";
    first = false;
    out << rule.Id << "  " << rule.Kind << "\n";
    out << "  rule: " << rule.Statement << "\n";
    out << "  watched: " << rule.Watched << "\n";
    out << "  cannot see: " << rule.Unseen << "\n";
    out << "  planted: " << PlantedName(rule) << "\n";
  }
}

RuleSeen SeenOf(const Outcome& outcome, const char* kind) {
  RuleSeen seen;
  for (const auto& finding : outcome.Findings) {
    if (finding.What.Kind != kind) continue;
    ++seen.Findings;
    seen.Cases += finding.Count;
  }
  return seen;
}

void WriteRulesSeen(std::ostream& out, const Outcome& outcome) {
  out << "  rules (vexhost validate --rules tells each):\n";
  for (const Rule& rule : RuleTable) {
    out << "    " << rule.Id << " (" << rule.Kind << "): " << SeenText(SeenOf(outcome, rule.Kind)) << "; cannot see "
        << rule.Unseen << "\n";
  }
}

nlohmann::ordered_json RulesJson(const Outcome& outcome) {
  nlohmann::ordered_json rules = nlohmann::ordered_json::array();
  for (const Rule& rule : RuleTable) {
    const RuleSeen seen = SeenOf(outcome, rule.Kind);
    rules.push_back({{"id", rule.Id},
                     {"kind", rule.Kind},
                     {"rule", rule.Statement},
                     {"watched", rule.Watched},
                     {"unseen", rule.Unseen},
                     {"planted", *rule.Planted != '\0' ? nlohmann::ordered_json(rule.Planted) : nullptr},
                     {"findings", seen.Findings},
                     {"cases", seen.Cases}});
  }
  return rules;
}

void AddRulesSuite(tinyxml2::XMLElement& root, const Outcome& outcome) {
  tinyxml2::XMLElement* suite = root.InsertNewChildElement("testsuite");
  suite->SetAttribute("name", "rules");
  int tests = 0;
  for (const Rule& rule : RuleTable) {
    tinyxml2::XMLElement* element = suite->InsertNewChildElement("testcase");
    element->SetAttribute("name", rule.Id);
    element->SetAttribute("classname", "rules");
    element->SetAttribute("time", 0);
    // The findings themselves are failures in their commands' suites: here, what the rule saw.
    const std::string text = std::string(rule.Kind) + ": " + SeenText(SeenOf(outcome, rule.Kind)) +
                             "; watched: " + rule.Watched + "; cannot see: " + rule.Unseen;
    element->InsertNewChildElement("system-out")->SetText(text.c_str());
    ++tests;
  }
  suite->SetAttribute("tests", tests);
  suite->SetAttribute("failures", 0);
  suite->SetAttribute("errors", 0);
  suite->SetAttribute("skipped", 0);
  suite->SetAttribute("time", 0);
}

}  // namespace vexvalidator
