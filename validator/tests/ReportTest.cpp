// What the validator says: its reports and replay scripts, the module's exports, and the script
// lines it writes (generic verbs and fault lines) as the shell reads them.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "drive/Action.h"
#include "drive/Words.h"
#include "profiles/InterimProduct.h"
#include "validator/case/Faults.h"
#include "validator/findings/Report.h"
#include "validator/findings/RulesReport.h"
#include "validator/processes/Exports.h"
#include "validator/processes/LoadChecks.h"

using namespace vexvalidator;

namespace {

Outcome OneFinding() {
  Outcome outcome;
  outcome.Module = "/modules/my module/libVexExample.so";
  outcome.Resources = "/resources";
  outcome.Seed = 42;
  outcome.Workers = 2;
  outcome.Cases = 3;
  outcome.Seconds = 0.5;
  outcome.Commands = {"VexExampleCmd"};
  outcome.Stats["VexExampleCmd"].Paths = 2;
  outcome.Stats["VexExampleCmd"].RandomSequences = 1;
  outcome.Phases["load"] = {1, 0.01};
  outcome.Phases["VexExampleCmd.exploration"] = {2, 0.02};
  outcome.Phases["VexExampleCmd.faults"] = {3, 0.3};
  Occurrence first{{"crash", "signal SIGSEGV (Segmentation fault) during `press Dialog/OK`"},
                   {Phase::Faults,
                    "VexExampleCmd",
                    "allocation, once",
                    {"fault allocation 3 once", "start VexExampleCmd", "press Dialog/OK"},
                    3},
                   2};
  outcome.Findings.push_back({first.What,
                              first,
                              4,
                              {{Phase::Faults, 4}},
                              "crash: signal SIGSEGV during press Dialog/OK",
                              {{first.What.Message, 4}},
                              0.25});
  outcome.Tests.push_back({"VexExampleCmd.exploration", "start VexExampleCmd", 1, false, {}});
  outcome.Tests.push_back({"VexExampleCmd.faults", "allocation, once: start VexExampleCmd", 2, false, {first.What}});
  return outcome;
}

}  // namespace

TEST(Report, AReplayScriptRunsTheCaseAndMarksWhereItHappened) {
  const Outcome outcome = OneFinding();
  const std::string script = ReplayScript(outcome, outcome.Findings[0], "finding-1.vex");
  EXPECT_NE(script.find("# vexhost validate found: crash: signal SIGSEGV"), std::string::npos) << script;
  EXPECT_NE(script.find("fault allocation 3 once\nstart VexExampleCmd\n# the next line is where it happened\n"
                        "press Dialog/OK\n"),
            std::string::npos)
      << script;
  // Every line that is not a comment is one the shell runs.
  std::istringstream lines(script);
  for (std::string line; std::getline(lines, line);) EXPECT_TRUE(vexdrive::ParseLine(line, 1).has_value());
}

TEST(Report, TheReplayCommandQuotesAPathWithBlanks) {
  const std::string command = ReplayCommand(OneFinding(), "finding-1.vex");
  EXPECT_EQ(
      command,
      "vexhost --module '/modules/my module/libVexExample.so' --resources /resources --check --script finding-1.vex");
}

TEST(Report, JUnitHasATestCaseForEachPhaseAndEachFindingWithStandardAttributesOnly) {
  const std::string xml = JUnitReport(OneFinding(), "");
  tinyxml2::XMLDocument document;
  ASSERT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS) << xml;
  const tinyxml2::XMLElement* root = document.FirstChildElement("testsuites");
  ASSERT_NE(root, nullptr);
  // The loading; the command's lifecycle, exploration, faults and random phases; its one finding;
  // and each rule, with what it saw.
  EXPECT_EQ(root->IntAttribute("tests"), 6 + static_cast<int>(RuleTable.size()));
  EXPECT_EQ(root->IntAttribute("failures"), 1);
  EXPECT_EQ(root->IntAttribute("skipped"), 2) << "no lifecycle and no random case ran";
  const std::set<std::string> standard{"name", "tests", "failures", "errors", "skipped", "time", "classname"};
  std::vector<std::string> names;
  for (const auto* suite = root->FirstChildElement("testsuite"); suite != nullptr;
       suite = suite->NextSiblingElement()) {
    for (const auto* attribute = suite->FirstAttribute(); attribute != nullptr; attribute = attribute->Next()) {
      EXPECT_EQ(standard.count(attribute->Name()), 1U) << attribute->Name();
    }
    for (const auto* test = suite->FirstChildElement("testcase"); test != nullptr; test = test->NextSiblingElement()) {
      for (const auto* attribute = test->FirstAttribute(); attribute != nullptr; attribute = attribute->Next()) {
        EXPECT_EQ(standard.count(attribute->Name()), 1U) << attribute->Name();
      }
      EXPECT_NE(test->Attribute("time"), nullptr);
      names.push_back(std::string(suite->Attribute("name")) + ": " + test->Attribute("name"));
    }
  }
  ASSERT_EQ(names.size(), 6U + RuleTable.size());
  EXPECT_EQ(names[6], std::string("rules: ") + RuleTable.front().Id);
  EXPECT_EQ(names[0], "load: load");
  EXPECT_EQ(names[3], "VexExampleCmd: faults");
  EXPECT_EQ(names[5].rfind("VexExampleCmd: [1] crash: signal SIGSEGV", 0), 0U) << names[5];
  const tinyxml2::XMLElement* faults =
      root->FirstChildElement("testsuite")->NextSiblingElement("testsuite")->FirstChildElement("testcase");
  faults = faults->NextSiblingElement()->NextSiblingElement();
  EXPECT_DOUBLE_EQ(faults->DoubleAttribute("time"), 0.3);
  EXPECT_NE(std::string(faults->FirstChildElement("system-out")->GetText()).find("findings seen in it: [1]"),
            std::string::npos);
  const tinyxml2::XMLElement* failure =
      faults->NextSiblingElement()->NextSiblingElement()->FirstChildElement("failure");
  ASSERT_NE(failure, nullptr);
  EXPECT_STREQ(failure->Attribute("type"), "crash");
  EXPECT_NE(std::string(failure->GetText()).find("replay: vexhost --module"), std::string::npos);
  EXPECT_DOUBLE_EQ(failure->Parent()->ToElement()->DoubleAttribute("time"), 0.25);
}

TEST(Report, JsonHoldsTheFindingWithItsScriptAndTheExitCode) {
  const nlohmann::json report = nlohmann::json::parse(JsonReport(OneFinding(), "replays"));
  EXPECT_EQ(report["exitCode"], 1);
  EXPECT_EQ(report["seed"], 42);
  ASSERT_EQ(report["findings"].size(), 1U);
  EXPECT_EQ(report["findings"][0]["kind"], "crash");
  EXPECT_EQ(report["findings"][0]["count"], 4);
  EXPECT_EQ(report["findings"][0]["replayFile"], "replays/finding-1.vex");
  EXPECT_EQ(report["findings"][0]["line"], 2);
}

TEST(Report, WithoutReplaysNoReportNamesAReplayFileThatWasNotWritten) {
  const Outcome outcome = OneFinding();
  std::ostringstream text;
  WriteText(text, outcome, "");
  const nlohmann::json json = nlohmann::json::parse(JsonReport(outcome, ""));
  const std::string xml = JUnitReport(outcome, "");
  for (const std::string& report : {text.str(), json.dump(), xml}) {
    EXPECT_EQ(report.find("finding-1.vex"), std::string::npos) << report;
  }
  EXPECT_TRUE(json["findings"][0]["replayFile"].is_null());
  EXPECT_NE(text.str().find("--replays DIR writes them"), std::string::npos) << text.str();
  std::ostringstream written;
  WriteText(written, outcome, "replays");
  EXPECT_NE(written.str().find("--script replays/finding-1.vex"), std::string::npos) << written.str();
}

TEST(Report, AReplayOfAStateOrATimeEndsWithTheExpectationThatFails) {
  Outcome outcome = OneFinding();
  outcome.SlowMs = 250;
  FindingGroup& finding = outcome.Findings[0];
  finding.What = {kind::InvisibleWait, "the command runs with nothing shown"};
  finding.First.Step = -1;
  std::string script = ReplayScript(outcome, finding, "f.vex");
  EXPECT_EQ(script.substr(script.size() - 17), "expect unseen no\n") << script;
  finding.What = {kind::Slow, "`press Dialog/OK` took longer than 250 ms, longer than a person waits"};
  script = ReplayScript(outcome, finding, "f.vex");
  EXPECT_EQ(script.substr(script.size() - 24), "expect steps within 250\n") << script;
  finding.What = {kind::Crash, "signal SIGSEGV"};
  script = ReplayScript(outcome, finding, "f.vex");
  EXPECT_EQ(script.find("expect"), std::string::npos) << "a crash fails by itself";
  std::istringstream lines(script);
  for (std::string line; std::getline(lines, line);) EXPECT_TRUE(vexdrive::ParseLine(line, 1).has_value());
}

TEST(Report, APartialValidationSaysSoInEveryReport) {
  Outcome outcome = OneFinding();
  outcome.Findings.clear();
  outcome.Partial = "interrupted by SIGINT";
  std::ostringstream text;
  WriteText(text, outcome, "");
  EXPECT_NE(text.str().find("PARTIAL: the validation stopped early (interrupted by SIGINT)"), std::string::npos);
  EXPECT_EQ(text.str().find("passed every check"), std::string::npos) << text.str();
  EXPECT_EQ(nlohmann::json::parse(JsonReport(outcome, ""))["partial"], "interrupted by SIGINT");
  tinyxml2::XMLDocument document;
  ASSERT_EQ(document.Parse(JUnitReport(outcome, "").c_str()), tinyxml2::XML_SUCCESS);
  EXPECT_EQ(document.FirstChildElement("testsuites")->IntAttribute("errors"), 1);
  outcome.Partial.clear();
  EXPECT_TRUE(nlohmann::json::parse(JsonReport(outcome, ""))["partial"].is_null());
}

TEST(Report, TheTextNamesEachFindingAndItsReplay) {
  std::ostringstream text;
  WriteText(text, OneFinding(), "");
  EXPECT_NE(text.str().find("[1] crash: signal SIGSEGV"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("    | press Dialog/OK"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("1 finding (exit code 1)"), std::string::npos) << text.str();
  EXPECT_EQ(ExitCode(OneFinding()), ExitFindings);
}

TEST(Report, ACleanValidationThatMetABoundSaysSoInsteadOfPassingEveryCheck) {
  Outcome outcome = OneFinding();
  outcome.Findings.clear();
  std::ostringstream clean;
  WriteText(clean, outcome, "");
  EXPECT_NE(clean.str().find("no findings: the module passed every check"), std::string::npos) << clean.str();
  outcome.Stats["VexExampleCmd"].DepthFrontier = 3;
  outcome.Stats["VexExampleCmd"].WayOutUnknown = 1;
  outcome.Depth = 2;
  std::ostringstream bounded;
  WriteText(bounded, outcome, "");
  EXPECT_EQ(bounded.str().find("passed every check\n"), std::string::npos) << bounded.str();
  EXPECT_NE(bounded.str().find("bound met: depth 2 reached: 3 states with actions left unexplored (--depth)"),
            std::string::npos)
      << bounded.str();
  EXPECT_NE(bounded.str().find("no findings within the bounds met"), std::string::npos);
  const nlohmann::json report = nlohmann::json::parse(JsonReport(outcome, ""));
  EXPECT_EQ(report["bounds"].size(), 2U);
}

TEST(Report, TheSeedIsGivenOnlyWhenRandomSequencesRan) {
  Outcome outcome = OneFinding();
  std::ostringstream with;
  WriteText(with, outcome, "");
  EXPECT_NE(with.str().find("--seed 42 runs them again"), std::string::npos);
  outcome.Stats["VexExampleCmd"].RandomSequences = 0;
  std::ostringstream without;
  WriteText(without, outcome, "");
  EXPECT_EQ(without.str().find("seed"), std::string::npos) << without.str();
  EXPECT_TRUE(nlohmann::json::parse(JsonReport(outcome, ""))["seed"].is_null());
}

TEST(Report, TheCoverageAndWhatWasNotExploredAreInTheTextAndTheJson) {
  Outcome outcome = OneFinding();
  CommandCoverage& coverage = outcome.Coverage["VexExampleCmd"];
  coverage.Transitions = {"Waiting -> (end) when OK", "Waiting -> (end) when Cancel"};
  coverage.Fired = {0};
  coverage.Dialogs = {"Dialog"};
  coverage.Widgets = {"Dialog/OK"};
  coverage.Faults["allocation, once"] = {2, 40, 19};
  coverage.Slowest = {{"start VexExampleCmd", 1.5}};
  outcome.Stats["VexExampleCmd"].Died = 2;
  std::ostringstream text;
  WriteText(text, outcome, "");
  for (const char* expected : {"transitions fired: 1 of 2", "never fired: Waiting -> (end) when Cancel",
                               "dialogs shown: Dialog", "widgets acted on: Dialog/OK", "allocation, once: 2, 40, 19",
                               "1.50 ms `start VexExampleCmd`", "not explored: 2 paths whose run crashed"}) {
    EXPECT_NE(text.str().find(expected), std::string::npos) << expected << "\n" << text.str();
  }
  const nlohmann::json report = nlohmann::json::parse(JsonReport(outcome, ""));
  const nlohmann::json& command = report["coverage"]["VexExampleCmd"];
  EXPECT_EQ(command["transitions"][1]["fired"], false);
  EXPECT_EQ(command["faultPoints"]["allocation, once"]["furthest"], 19);
  EXPECT_EQ(command["slowestSteps"][0]["line"], "start VexExampleCmd");
  EXPECT_EQ(report["notExplored"].size(), 1U);
  EXPECT_EQ(report["phases"]["VexExampleCmd.faults"]["cases"], 3);
  EXPECT_EQ(report["findings"][0]["root"], "crash: signal SIGSEGV during press Dialog/OK");
}

TEST(Exports, OurModuleExportsItsEntryPointsAndNothingElse) {
  std::vector<std::string> symbols = ExportedSymbols(VEX_MODULE_PATH);
  std::sort(symbols.begin(), symbols.end());
  EXPECT_EQ(symbols, (std::vector<std::string>{"TOVARIK_KEL2_INTERNAL_VexStrInterimProduct",
                                               "fctCreateVexStrCreateInterimProdCmd"}));
  for (const auto& check : ExportChecks(VEX_MODULE_PATH, {"VexStrCreateInterimProdCmd"})) {
    EXPECT_TRUE(check.Findings.empty()) << check.Name;
  }
}

TEST(Exports, AModuleBuiltWithoutAnExportListIsFlaggedOnce) {
  const std::vector<LoadCheck> checks = ExportChecks(VEX_EXPORTS_EVERYTHING_PATH, {"VexExExportsEverythingCmd"});
  ASSERT_EQ(checks.size(), 2U);
  ASSERT_EQ(checks[0].Findings.size(), 1U);
  EXPECT_EQ(checks[0].Findings[0].Kind, kind::ForeignExport);
  EXPECT_TRUE(checks[1].Findings.empty()) << "its marker is there";
  EXPECT_TRUE(ExportChecks(VEX_EXPORTS_EVERYTHING_PATH, {"Other"})[1].Findings.empty());
}

TEST(Exports, TheMarkerIsNamedAfterTheLibrary) {
  EXPECT_EQ(MarkerName("/a/b/libVexStrInterimProduct.so"), "TOVARIK_KEL2_INTERNAL_VexStrInterimProduct");
  EXPECT_EQ(MarkerName("Plain.so.1.2"), "TOVARIK_KEL2_INTERNAL_Plain");
  EXPECT_EQ(FactoryName("VexExCmd"), "fctCreateVexExCmd");
}

TEST(Exports, AFileThatIsNoSharedLibraryIsRefused) {
  EXPECT_THROW(ExportedSymbols(VEX_RESOURCE_DIR "/VexStrInterimProdPanel.json"), std::runtime_error);
  EXPECT_THROW(ExportedSymbols("/no/such/module.so"), std::runtime_error);
}

namespace {

// The generic verb that a line with this verb and these words is read as, or null when it is one of
// the program's short forms.
const char* FindGenericVerb(const std::string& verb, const std::string& rest) {
  static std::string name;
  const auto line = vexdrive::ParseLine(verb + " " + rest, 1);
  const auto action = vexdrive::ParseAction(*line, &vexprofiles::InterimProductProfile());
  if (!action || !action->Shorthand.empty()) return nullptr;
  name = vexdrive::ActionName(*action);
  return name.c_str();
}

}  // namespace

TEST(ScriptLines, TheGenericFormIsToldApartFromTheShortForms) {
  EXPECT_EQ(FindGenericVerb("type", "BA-201"), nullptr);
  EXPECT_EQ(FindGenericVerb("type", "\"A/B\" and more"), nullptr) << "a quoted text stays the short form's";
  EXPECT_NE(FindGenericVerb("type", "Panel/editor BA-201"), nullptr);
  EXPECT_EQ(FindGenericVerb("choose", "Block"), nullptr);
  EXPECT_NE(FindGenericVerb("choose", "Panel/frmClass Block"), nullptr);
  EXPECT_EQ(FindGenericVerb("close", ""), nullptr);
  EXPECT_NE(FindGenericVerb("close", "Panel"), nullptr);
  EXPECT_EQ(FindGenericVerb("ack", ""), nullptr);
  EXPECT_NE(FindGenericVerb("acknowledge", "Box"), nullptr);
  EXPECT_EQ(FindGenericVerb("browse", "Block"), nullptr);
  EXPECT_NE(FindGenericVerb("browse", "Panel/frmClass"), nullptr);
  EXPECT_NE(FindGenericVerb("press", "Panel/OK"), nullptr);
  EXPECT_EQ(FindGenericVerb("ok", ""), nullptr);
}

TEST(ScriptLines, AWordWrittenForAScriptReadsBackAsItWas) {
  for (const std::string text : {"", "plain", "two words", "#hash", "a \"quote\"", "back\\slash",
                                 "\xC3\x9C"
                                 "ber"}) {
    const std::vector<vexdrive::Word> words = vexdrive::SplitWords(vexdrive::ScriptWord(text));
    ASSERT_EQ(words.size(), 1U) << text;
    EXPECT_EQ(words[0].Text, text);
  }
}

TEST(ScriptLines, EveryFaultFamilyWritesALineTheShellReads) {
  for (const FaultFamily& family : FaultFamilies()) {
    const auto line = vexdrive::ParseLine(family.Line(12), 1);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->Verb, "fault") << family.Name();
    EXPECT_NE(FindGenericVerb(line->Verb, line->Rest), nullptr);
    EXPECT_NE(line->Rest.find("12"), std::string::npos) << line->Rest;
  }
  EXPECT_EQ(FaultFamilies()[0].Line(3), "fault allocation 3 once");
  EXPECT_EQ(FaultFamilies()[3].Line(3), "fault raise *#3:VexError persistent");
}

TEST(Rules, EachRuleHasItsOwnIdAndKindAndEveryField) {
  std::set<std::string> ids;
  std::set<std::string> kinds;
  for (const Rule& rule : RuleTable) {
    EXPECT_TRUE(ids.insert(rule.Id).second) << rule.Id;
    EXPECT_TRUE(kinds.insert(rule.Kind).second) << rule.Kind;
    for (const char* field : {rule.Statement, rule.Watched, rule.Unseen}) EXPECT_STRNE(field, "") << rule.Id;
    EXPECT_EQ(RuleOfKind(rule.Kind), &rule);
  }
  EXPECT_EQ(RuleOfKind("no-such-kind"), nullptr);
}

TEST(Rules, EveryReportListsEachRuleWithWhatItSawAndCannotSee) {
  const Outcome outcome = OneFinding();
  std::ostringstream text;
  WriteText(text, outcome, "");
  const Rule& crash = *RuleOfKind(kind::Crash);
  const Rule& leak = *RuleOfKind(kind::Leak);
  EXPECT_NE(text.str().find(std::string(crash.Id) + " (crash): 1 finding in 4 cases; cannot see " + crash.Unseen),
            std::string::npos)
      << text.str();
  EXPECT_NE(text.str().find(std::string(leak.Id) + " (leak): no findings; cannot see "), std::string::npos);
  std::istringstream lines(text.str());
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 300U) << line;

  const auto report = nlohmann::json::parse(JsonReport(outcome, ""));
  ASSERT_EQ(report["rules"].size(), RuleTable.size());
  for (const auto& rule : report["rules"]) {
    EXPECT_EQ(rule["findings"], rule["kind"] == "crash" ? 1 : 0) << rule["id"];
    EXPECT_EQ(rule["unseen"], RuleOfKind(rule["kind"].get<std::string>())->Unseen);
  }
}

TEST(Rules, TheTableIsPrintedABlockARuleWithEveryField) {
  std::ostringstream out;
  WriteRules(out);
  const std::string text = out.str();
  for (const Rule& rule : RuleTable) {
    const std::string block = std::string(rule.Id) + "  " + rule.Kind + "\n  rule: " + rule.Statement +
                              "\n  watched: " + rule.Watched + "\n  cannot see: " + rule.Unseen +
                              "\n  planted: " + (*rule.Planted != '\0' ? rule.Planted : "none yet") + "\n";
    EXPECT_NE(text.find(block), std::string::npos) << block;
  }
}
