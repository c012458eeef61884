// A way out that a fault met once leaves dead: which cases offer their ways out to be pressed (a
// fault fired in the last line, the command still waiting), and whether a press was answered. Run
// in this process on a planted example whose Cancel is lost when an allocation fails, and on this
// build's module.
#include <gtest/gtest.h>

#include <optional>

#include "TestModules.h"
#include "validator/case/FaultedWayOut.h"
#include "vexhost/Session.h"

using namespace vexvalidator;
using namespace vexvalidatortest;

namespace {

const std::string PlantedStart = "start VexExCancelLostToAllocationCmd";
const std::string PressCancel = "press PlantedDialog/Cancel";
const std::string CloseDialog = "close PlantedDialog";

std::string FailAllocation(int nth) { return "fault allocation " + std::to_string(nth) + " once"; }

// The ways out a case offers, and whether its last line was a dead press.
struct Watched {
  CaseResult Result;
  std::vector<std::string> WaysOut;
  bool Dead = false;
};

Watched RunWatched(const std::vector<std::string>& lines) {
  const int last = static_cast<int>(lines.size()) - 1;
  FaultedEnding ending(last);
  PressAnswer answer(last);
  Observers both({&ending, &answer});
  RunRequest request{.Lines = lines, .FaultArmed = true, .Observer = &both};
  Watched watched;
  watched.Result = RunCase(ShipSetup(), request);
  watched.WaysOut = ending.WaysOut();
  watched.Dead = answer.Dead();
  return watched;
}

// The first allocation whose failure in the start leaves the command waiting with ways out.
std::optional<int> FirstWaitingFault(const std::string& start) {
  for (int nth = 1; nth <= 40; ++nth) {
    if (!RunWatched({FailAllocation(nth), start}).WaysOut.empty()) return nth;
  }
  return std::nullopt;
}

class FaultedWayOut : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* module : {VEX_MODULE_PATH, VEX_CANCEL_LOST_PATH}) Load(module);
  }
};

}  // namespace

TEST_F(FaultedWayOut, ALostCancelIsADeadPressWhileTheCloseBoxStillAnswers) {
  const std::optional<int> nth = FirstWaitingFault(PlantedStart);
  ASSERT_TRUE(nth) << "some failed allocation in the start leaves the dialog shown";
  const Watched waiting = RunWatched({FailAllocation(*nth), PlantedStart});
  EXPECT_TRUE(waiting.Result.FaultMet);
  EXPECT_EQ(waiting.WaysOut, (std::vector<std::string>{PressCancel, CloseDialog})) << "OK is no way out";

  const Watched cancelled = RunWatched({FailAllocation(*nth), PlantedStart, PressCancel});
  EXPECT_FALSE(cancelled.Result.Stopped);
  EXPECT_TRUE(cancelled.Dead) << "nothing hears Cancel once its agent could not be made";
  const Watched closed = RunWatched({FailAllocation(*nth), PlantedStart, CloseDialog});
  EXPECT_FALSE(closed.Dead) << "the close box still ends the command";
  EXPECT_TRUE(closed.Result.Findings.empty()) << closed.Result.Findings.front().Message;

  // Without the fault, Cancel answers.
  EXPECT_FALSE(RunWatched({PlantedStart, PressCancel}).Dead);
}

TEST_F(FaultedWayOut, OnlyAFaultFiredInTheLastLineOffersItsWaysOut) {
  const std::string start = std::string("start ") + Command;
  const std::optional<int> nth = FirstWaitingFault(start);
  ASSERT_TRUE(nth) << "some failed allocation in the start leaves the panel waiting";
  const Watched later = RunWatched({FailAllocation(*nth), start, "type InterimProductPanel/editorpartnumber BA-7"});
  EXPECT_TRUE(later.Result.FaultMet);
  EXPECT_FALSE(later.Result.Stopped);
  EXPECT_TRUE(later.WaysOut.empty()) << "the fault fired in the start, not in the typing";
  // A run that meets no fault offers nothing either.
  EXPECT_TRUE(RunWatched({FailAllocation(100000), start}).WaysOut.empty());
}

TEST(WaysOut, AreCancelCloseBoxesAndMessageBoxOKsInTheOrderGiven) {
  const std::vector<std::string> possible{"press P/OK", "press P/Cancel", "type P/editor \"x\"", "acknowledge Box",
                                          "close P",    "press P/Apply",  "choose P/frm \"A\""};
  EXPECT_EQ(WaysOut(possible), (std::vector<std::string>{"press P/Cancel", "acknowledge Box", "close P"}));
}

TEST(DeadAfterFault, NamesTheButtonAndTheFaultAndEndsItsReplayWithThePress) {
  const Finding finding = DeadAfterFault("allocation, once", 4, "close P", 2);
  EXPECT_EQ(finding.Kind, kind::DeadButton);
  EXPECT_NE(finding.Message.find("the close box of 'P' does nothing"), std::string::npos) << finding.Message;
  EXPECT_NE(finding.Message.find("'allocation, once' at point 4"), std::string::npos) << finding.Message;
  EXPECT_EQ(finding.Step, 2);
  EXPECT_EQ(finding.Expectation, "expect answered");
}
