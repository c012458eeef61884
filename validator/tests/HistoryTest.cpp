// A path run twice in one session, the document reopened between, makes the same calls as the
// first time, unless the module keeps something from one command to the next; the finding's
// replay then runs the path, `reopen` and the path again.
#include <gtest/gtest.h>

#include "TestModules.h"
#include "validator/case/History.h"
#include "validator/case/Rules.h"

using namespace vexvalidator;
using namespace vexvalidatortest;

namespace {

// The calls of the lines run alone, and the finding of the same lines twice in one session.
std::optional<Finding> TwiceInOneSession(const std::vector<std::string>& lines) {
  JournalTaker first;
  RunRequest alone{.Lines = lines, .Observer = &first};
  const CaseResult run = RunCase(ShipSetup(), alone);
  EXPECT_FALSE(run.Fatal);
  EXPECT_FALSE(first.Calls().empty());
  return SameInOneSession(ShipSetup(), RunRequest{.Lines = lines}, first.Calls());
}

}  // namespace

TEST(History, OurCommandRunTwiceInOneSessionMakesTheSameCalls) {
  Load(VEX_MODULE_PATH);
  for (const auto& lines : std::vector<std::vector<std::string>>{
           {"start VexStrCreateInterimProdCmd", "choose InterimProductPanel/frmClass Block",
            "press InterimProductPanel/OK"},
           {"active Hull/Block B", "start VexStrCreateInterimProdCmd"},
           {"start VexStrCreateInterimProdCmd", "close InterimProductPanel"}}) {
    const std::optional<Finding> differs = TwiceInOneSession(lines);
    EXPECT_FALSE(differs) << differs->Message;
  }
}

TEST(History, AModuleThatCountsItsCommandsDiffersTheSecondTimeAndItsReplayRunsBoth) {
  Load(VEX_COUNTS_ITS_COMMANDS_PATH);
  const std::vector<std::string> lines{"start VexExCountsItsCommandsCmd", "press PlantedDialog/OK"};
  const std::optional<Finding> differs = TwiceInOneSession(lines);
  ASSERT_TRUE(differs);
  EXPECT_EQ(differs->Kind, kind::History);
  EXPECT_NE(differs->Message.find("in the same session once the document was reopened as it was"), std::string::npos)
      << differs->Message;
  // The first run titled its dialog "Command 1", the runs after it with a count further on.
  EXPECT_NE(differs->Message.find("`SetTitle(PlantedDialog; \"Command 1\")` the first time"), std::string::npos)
      << differs->Message;
  EXPECT_EQ(differs->Step, 1);
  EXPECT_NE(differs->Expectation.find("\nreopen\nstart VexExCountsItsCommandsCmd\npress PlantedDialog/OK"),
            std::string::npos)
      << differs->Expectation;
}
