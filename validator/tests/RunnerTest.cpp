// One case run in this process, as a worker runs it: its lines through the front ends' script
// language, the fault it arms, and the end-of-path checks. Cases that leave the process unusable
// run in a child, as the validator runs them.
#include <gtest/gtest.h>

#include "TestModules.h"
#include "validator/processes/Isolated.h"

using namespace vexvalidator;
using namespace vexvalidatortest;

namespace {

CaseResult RunLines(std::vector<std::string> lines, bool faultArmed = false, bool look = false) {
  RunRequest request{.Lines = std::move(lines), .Look = look, .FaultArmed = faultArmed};
  return RunCase(ShipSetup(), request);
}

std::vector<std::string> Kinds(const CaseResult& outcome) {
  std::vector<std::string> kinds;
  for (const auto& finding : outcome.Findings) kinds.push_back(finding.Kind + ": " + finding.Message);
  return kinds;
}

class Runner : public ::testing::Test {
 protected:
  void SetUp() override { Load(VEX_MODULE_PATH); }
};

}  // namespace

TEST_F(Runner, ACleanPathHasNoFindings) {
  const CaseResult outcome =
      RunLines({"start VexStrCreateInterimProdCmd", "browse InterimProductPanel/frmClass Panel",
                "type InterimProductPanel/editorpartnumber BA-7", "press InterimProductPanel/OK"});
  EXPECT_TRUE(outcome.Findings.empty()) << ::testing::PrintToString(Kinds(outcome));
  EXPECT_FALSE(outcome.Stopped);
  EXPECT_FALSE(outcome.FaultMet);
  EXPECT_EQ(outcome.LinesRun, 4);
  EXPECT_FALSE(outcome.Fatal);
}

TEST_F(Runner, AFaultLineArmsTheFaultOfTheRun) {
  EXPECT_TRUE(RunLines({"fault allocation 1 once", "start VexStrCreateInterimProdCmd"}, true).FaultMet);
  EXPECT_TRUE(RunLines({"fault raise *#5:SystemError persistent", "start VexStrCreateInterimProdCmd"}, true).FaultMet);
  EXPECT_FALSE(RunLines({"fault allocation 100000 once", "start VexStrCreateInterimProdCmd"}, true).FaultMet)
      << "past the run's last allocation nothing fails";
}

TEST_F(Runner, ARefusedLineEndsThePath) {
  const CaseResult outcome = RunLines({"start VexStrCreateInterimProdCmd", "press InterimProductPanel/OK", "tree"});
  EXPECT_TRUE(outcome.Stopped) << "OK is insensitive before a class is chosen";
  EXPECT_EQ(outcome.LinesRun, 2);
  EXPECT_TRUE(outcome.Findings.empty());
}

TEST_F(Runner, LookingReportsTheStateAndWhatCanBeDoneThere) {
  const CaseResult panel = RunLines({"start VexStrCreateInterimProdCmd"}, false, true);
  EXPECT_TRUE(panel.Running);
  EXPECT_FALSE(panel.Fingerprint.empty());
  EXPECT_FALSE(panel.Actions.empty());
  const CaseResult again = RunLines({"start VexStrCreateInterimProdCmd"}, false, true);
  EXPECT_EQ(again.Fingerprint, panel.Fingerprint) << "the same steps reach the same state";
  const CaseResult ended =
      RunLines({"start VexStrCreateInterimProdCmd", "press InterimProductPanel/Cancel"}, false, true);
  EXPECT_FALSE(ended.Running);
  EXPECT_NE(ended.Fingerprint, panel.Fingerprint);
  EXPECT_TRUE(ended.Actions.empty());
}

TEST_F(Runner, ACommandStartedWithoutAnEditorMayShowNothing) {
  const CaseResult outcome = RunLines({"noeditor", "start VexStrCreateInterimProdCmd", "active Hull/Block A"});
  EXPECT_TRUE(outcome.Findings.empty()) << ::testing::PrintToString(Kinds(outcome));
}

TEST_F(Runner, ADialogLeftAliveIsOneFindingNotOneForEachWidget) {
  Load(VEX_FORGOTTEN_DESTRUCTION_PATH);
  const CaseResult outcome = RunLines({"start VexExForgottenDestructionCmd", "press PlantedDialog/Cancel"});
  EXPECT_EQ(Kinds(outcome),
            std::vector<std::string>{"leak: left alive after the command ended: VexDlgDialog 'PlantedDialog'"});
  EXPECT_FALSE(outcome.Fatal) << "the dialog goes with the main window when the session closes";
}

TEST_F(Runner, AWidgetLeftInTheMainWindowIsALeak) {
  Load(VEX_LEAKED_WIDGET_PATH);
  const CaseResult outcome = RunLines({"start VexExLeakedWidgetCmd", "press PlantedDialog/OK"});
  EXPECT_EQ(Kinds(outcome),
            std::vector<std::string>{"leak: left alive after the command ended: VexDlgLabel 'StrayHint'"});
}

TEST_F(Runner, AFactoryReleasedTwiceIsAnOverRelease) {
  Load(VEX_OVER_RELEASED_PATH);
  EXPECT_TRUE(RunLines({"start VexExOverReleasedFactoryCmd", "press PlantedDialog/Cancel"}).Findings.empty());
  const CaseResult outcome = RunLines({"start VexExOverReleasedFactoryCmd", "press PlantedDialog/OK"});
  EXPECT_EQ(Kinds(outcome), std::vector<std::string>{"over-release: Release on 'Block A.factory' (module->host): its "
                                                     "last reference was already released"});
}

TEST_F(Runner, AnExceptionAcrossTheBoundaryEndsTheProcessAfterItIsReported) {
  Load(VEX_EXCEPTION_PATH);
  // The host is left in the middle of a call: the case runs in a child, as the validator runs it.
  const Isolated child = RunIsolated(
      [](Slot&) {
        const CaseResult outcome = RunLines({"start VexExExceptionAcrossBoundaryCmd", "press PlantedDialog/OK"});
        return nlohmann::json{{"fatal", outcome.Fatal}, {"findings", Kinds(outcome)}};
      },
      std::chrono::seconds(10));
  ASSERT_TRUE(child.Value) << child.Death;
  EXPECT_TRUE((*child.Value)["fatal"].get<bool>());
  EXPECT_EQ((*child.Value)["findings"], nlohmann::json::array({"exception: a C++ exception crossed the boundary: "
                                                               "std::runtime_error: the planted exception"}));
}

TEST_F(Runner, ACrashInAChildIsToldWithItsStage) {
  Load(VEX_CRASH_PATH);
  const Isolated child = RunIsolated(
      [](Slot& slot) {
        slot.BeginLine(7);
        RunRequest request{.Lines = {"fault allocation 4 once", "start VexExCrashOnFailedAllocationCmd"},
                           .FaultArmed = true};
        for (int n = 1; n < 20; ++n) {
          request.Lines[0] = "fault allocation " + std::to_string(n) + " once";
          RunCase(ShipSetup(), request);
        }
        return nlohmann::json::object();
      },
      std::chrono::seconds(10));
  EXPECT_FALSE(child.Value);
  // SIGSEGV; under the sanitizers, which stop the process themselves, an abort or an exit code.
  EXPECT_FALSE(child.Death.empty());
  EXPECT_EQ(child.Stage, 7);
}
