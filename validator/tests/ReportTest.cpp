// What the validator says: its reports and replay scripts, the module's exports, and the script
// lines it writes (generic verbs and fault lines) as the shell reads them.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <sstream>

#include <nlohmann/json.hpp>

#include "drive/GenericVerbs.h"
#include "drive/Words.h"
#include "validator/Exports.h"
#include "validator/Faults.h"
#include "validator/LoadChecks.h"
#include "validator/Report.h"

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
  Occurrence first{{"crash", "signal SIGSEGV (Segmentation fault) during `press Dialog/OK`"},
                   {Phase::Faults, "VexExampleCmd", "allocation, once", {"fault allocation 3 once", "start VexExampleCmd",
                                                                           "press Dialog/OK"}, 3},
                   2};
  outcome.Findings.push_back({first.What, first, 4, {{Phase::Faults, 4}}});
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
  EXPECT_EQ(command,
            "vexhost --module '/modules/my module/libVexExample.so' --resources /resources --check --script finding-1.vex");
}

TEST(Report, JUnitIsWellFormedAndCountsEachFailingTestOnce) {
  const std::string xml = JUnitReport(OneFinding(), "");
  tinyxml2::XMLDocument document;
  ASSERT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS) << xml;
  const tinyxml2::XMLElement* root = document.FirstChildElement("testsuites");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->IntAttribute("tests"), 2);
  EXPECT_EQ(root->IntAttribute("failures"), 1);
  const tinyxml2::XMLElement* failure = root->FirstChildElement("testsuite")
                                            ->NextSiblingElement("testsuite")
                                            ->FirstChildElement("testcase")
                                            ->FirstChildElement("failure");
  ASSERT_NE(failure, nullptr);
  EXPECT_STREQ(failure->Attribute("type"), "crash");
  EXPECT_NE(std::string(failure->GetText()).find("replay: vexhost --module"), std::string::npos);
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

TEST(ScriptLines, TheGenericFormIsToldApartFromTheShortForms) {
  using vexdrive::FindGenericVerb;
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
  for (const std::string text : {"", "plain", "two words", "#hash", "a \"quote\"", "back\\slash", "\xC3\x9C" "ber"}) {
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
    EXPECT_NE(vexdrive::FindGenericVerb(line->Verb, line->Rest), nullptr);
    EXPECT_NE(line->Rest.find("12"), std::string::npos) << line->Rest;
  }
  EXPECT_EQ(FaultFamilies()[0].Line(3), "fault allocation 3 once");
  EXPECT_EQ(FaultFamilies()[3].Line(3), "fault raise *#3:VexError persistent");
}
