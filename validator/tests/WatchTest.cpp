// Each step of a case run without faults, watched as a person watches the screen: a press that
// nothing answers, a dialog left shown by an ended command, the states passed through, and what
// the steps covered. Run in this process on planted examples and on this build's module.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestModules.h"
#include "drive/Text.h"
#include "validator/case/Actions.h"
#include "vexhost/Session.h"

using namespace vexvalidator;
using namespace vexvalidatortest;

namespace {

CaseResult Watched(std::vector<std::string> lines) {
  RunRequest request{.Lines = std::move(lines), .Look = true, .Watch = true};
  return RunCase(ShipSetup(), request);
}

std::vector<Finding> OfKind(const CaseResult& outcome, const std::string& kind) {
  std::vector<Finding> found;
  for (const auto& finding : outcome.Findings) {
    if (finding.Kind == kind) found.push_back(finding);
  }
  return found;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Watch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* module :
         {VEX_MODULE_PATH, VEX_LOST_SECOND_PRESS_PATH, VEX_DIALOG_LEFT_SHOWN_PATH, VEX_NARROW_EDITORS_PATH}) {
      Load(module);
    }
  }
};

}  // namespace

TEST_F(Watch, ASecondPressThatNothingAnswersIsADeadButtonAtItsStep) {
  const CaseResult outcome =
      Watched({"start VexExLostSecondPressCmd", "press PlantedDialog/OK", "press PlantedDialog/OK"});
  const std::vector<Finding> dead = OfKind(outcome, kind::DeadButton);
  ASSERT_EQ(dead.size(), 1U) << "the first press was answered: its transition ran";
  EXPECT_EQ(
      dead[0].Message,
      "OK of 'PlantedDialog' does nothing when pressed: no transition fires and nothing a person can see changes");
  EXPECT_EQ(dead[0].Step, 2);
  EXPECT_EQ(dead[0].Expectation, "expect answered");
  // The state before each line, and the dialog's title changed by the first press only.
  ASSERT_EQ(outcome.Trail.size(), 3U);
  EXPECT_NE(outcome.Trail[1], outcome.Trail[2]);
  EXPECT_EQ(outcome.Fingerprint, outcome.Trail[2]) << "the dead press changed nothing";
  ASSERT_EQ(outcome.Coverage.Transitions.size(), 3U);
  EXPECT_EQ(outcome.Coverage.Transitions[0],
            "Waiting -> Waiting when LastModifiedAgent(PlantedAgent, PlantedDialog.OK)");
  EXPECT_EQ(outcome.Coverage.Fired, std::vector<int>{0});
}

TEST_F(Watch, APressThatEndsTheCommandIsAnsweredAndLeavesNothingShown) {
  const CaseResult outcome = Watched({"start VexExLostSecondPressCmd", "press PlantedDialog/Cancel"});
  EXPECT_TRUE(outcome.Findings.empty()) << outcome.Findings.front().Message;
  EXPECT_EQ(outcome.Coverage.Fired, std::vector<int>{1});
  EXPECT_FALSE(outcome.Running);
}

TEST_F(Watch, AnEndedCommandThatLeavesItsDialogShownIsFoundAtTheStepThatEndedIt) {
  const CaseResult outcome = Watched({"start VexExDialogLeftShownCmd", "press PlantedDialog/OK"});
  const std::vector<Finding> shown = OfKind(outcome, kind::ShownAfterEnd);
  ASSERT_EQ(shown.size(), 1U);
  EXPECT_EQ(shown[0].Step, 1);
  EXPECT_EQ(shown[0].Expectation, "expect dialog PlantedDialog absent");
  EXPECT_EQ(OfKind(outcome, kind::Leak).size(), 1U) << "and the dialog was never destroyed";
}

TEST_F(Watch, ACleanPathOfOurModuleCoversItsTransitionsDialogsAndTimesItsSteps) {
  const std::vector<std::string> lines{"start VexStrCreateInterimProdCmd", "browse InterimProductPanel/frmClass Panel",
                                       "type InterimProductPanel/editorpartnumber BA-7",
                                       "press InterimProductPanel/OK"};
  const CaseResult outcome = Watched(lines);
  EXPECT_TRUE(outcome.Findings.empty()) << outcome.Findings.front().Message;
  EXPECT_EQ(outcome.Trail.size(), lines.size());
  EXPECT_EQ(outcome.Coverage.Transitions.size(), 5U);
  EXPECT_FALSE(outcome.Coverage.Fired.empty());
  EXPECT_TRUE(Has(outcome.Coverage.Dialogs, Panel));
  ASSERT_FALSE(outcome.Coverage.Slowest.empty());
  EXPECT_LE(outcome.Coverage.Slowest.size(), SlowestKept);
  EXPECT_GT(outcome.Seconds, 0);
  // Typing changes what is shown, but is no press: nothing to answer.
  EXPECT_NE(outcome.Trail[2], outcome.Trail[3]);
}

TEST_F(Watch, ACaseNotWatchedKeepsNoTrail) {
  RunRequest request{.Lines = {"start VexExLostSecondPressCmd", "press PlantedDialog/OK", "press PlantedDialog/OK"}};
  const CaseResult outcome = RunCase(ShipSetup(), request);
  EXPECT_TRUE(outcome.Trail.empty());
  EXPECT_TRUE(outcome.Coverage.Empty());
  EXPECT_TRUE(OfKind(outcome, kind::DeadButton).empty()) << "under faults a press may rightly go unanswered";
}

// The texts typed into narrow editors fit them: a 6- and an 8-character editor take every sample.
TEST_F(Watch, EveryTextTypedIntoANarrowEditorIsTaken) {
  std::vector<std::string> typed;
  {
    vexhost::Session session(vexhost::SessionOptions{{VEX_RESOURCE_DIR}});
    session.OpenDocument(ShipSetup().Document);
    session.StartCommand("VexExNarrowEditorsCmd");
    for (const auto& action : PossibleActions(session, LookAt(session))) {
      if (action.Verb == vexdrive::ActionVerb::Type) typed.push_back(vexdrive::ActionLine(action));
    }
    session.CancelRunningCommand();
  }
  ASSERT_GT(typed.size(), 8U) << "the four fixed texts and those drawn from what each editor shows, for two editors";
  for (const auto& line : typed) {
    const CaseResult outcome = Watched({"start VexExNarrowEditorsCmd", line});
    EXPECT_FALSE(outcome.Stopped) << line;
    EXPECT_TRUE(outcome.Findings.empty()) << line;
  }
}

TEST(SampleTexts, EachFitsANarrowEditorAndTheyStayApart) {
  for (int width : {1, 6, 8}) {
    const std::vector<std::string> samples = SampleTexts(width);
    ASSERT_GE(samples.size(), 4U);
    for (const auto& sample : samples) {
      EXPECT_LE(static_cast<int>(vexdrive::Characters(sample).size()), width) << sample;
    }
    EXPECT_EQ(static_cast<int>(vexdrive::Characters(samples[3]).size()), width) << "the widest fills the editor";
    EXPECT_FALSE(std::all_of(samples[2].begin(), samples[2].end(), [](unsigned char c) { return c < 0x80; }))
        << "cut or not, the non-ASCII text stays non-ASCII";
    EXPECT_EQ(std::set<std::string>(samples.begin(), samples.end()).size(), samples.size());
  }
  EXPECT_EQ(SampleTexts(6)[1], "Part 7");
}
