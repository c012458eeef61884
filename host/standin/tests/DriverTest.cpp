// The stand-in's driver interface: the journal's forms, the fault plan's words, the user's hands'
// refusals and the one-session rule.
#include <functional>
#include <nlohmann/json.hpp>

#include "TestSupport.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

using Driver = HostTest;

std::string ParseProblem(const std::string& text) {
  std::string problem;
  return vexhost::FaultPlan::ParseRaise(text, problem) ? "(accepted)" : problem;
}

}  // namespace

TEST_F(Driver, TheJournalWritesOneJsonObjectPerCallWithResultsOfCallsIntoTheModule) {
  Start();
  Hands().PressCancel(Panel);
  std::istringstream lines(Journal().ToJsonLines());
  std::string line;
  int count = 0;
  bool sawActivate = false;
  while (std::getline(lines, line)) {
    const auto entry = nlohmann::json::parse(line);
    ASSERT_TRUE(entry.contains("op") && entry.contains("on") && entry.contains("args") && entry.contains("dir"));
    EXPECT_TRUE(entry["dir"] == "module->host" || entry["dir"] == "host->module") << line;
    if (entry["op"] == "Activate") {
      sawActivate = true;
      EXPECT_EQ(entry["dir"], "host->module");
      EXPECT_EQ(entry["result"], "0");
    }
    ++count;
  }
  EXPECT_EQ(count, static_cast<int>(Journal().Size()));
  EXPECT_TRUE(sawActivate);
}

TEST_F(Driver, RaisePlansAreReadFromTheirShortForm) {
  EXPECT_EQ(ParseProblem("SetTitle"), "(accepted)");
  EXPECT_EQ(ParseProblem("SetVisibility@InterimProductPanel#2:SystemError"), "(accepted)");
  EXPECT_EQ(ParseProblem("Release#3:VexError"), "(accepted)");
  EXPECT_THAT(ParseProblem("SetTitle:Oops"), HasSubstr("unknown error kind 'Oops'"));
  EXPECT_THAT(ParseProblem("SetTitle#0"), HasSubstr("'0' is not a positive call number"));
  EXPECT_THAT(ParseProblem("SetTitle#x"), HasSubstr("'x' is not a positive call number"));
  EXPECT_THAT(ParseProblem("SetTitle@"), HasSubstr("an object name must follow '@'"));
  EXPECT_THAT(ParseProblem("#2"), HasSubstr("an operation name is missing"));
}

TEST_F(Driver, AParsedPlanRaisesOnlyOnTheNamedObjectAtTheNthCall) {
  std::string problem;
  Faults().Merge(*vexhost::FaultPlan::ParseRaise("SetVisibility@InterimProductPanel#2", problem));
  Start();  // the first SetVisibility on the panel hides it; the second, showing it, fails
  EXPECT_FALSE(Shown(Panel));
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_TRUE(Host().Errors()[0].Escaped) << "Activate opens no error scope";
  Host().CancelRunningCommand();
}

TEST_F(Driver, TheHandsRefuseWhatAPersonCouldNotDo) {
  EXPECT_THROW(Hands().PressOK(Panel), vexhost::Refused) << "no panel is open";
  Start();
  EXPECT_THROW(Hands().PressOK(Panel), vexhost::Refused) << "OK is insensitive";
  EXPECT_THROW(Hands().Acknowledge(ErrorBox), vexhost::Refused) << "the error box is hidden";
  EXPECT_THROW(Hands().Type(Panel, "ComboIPLevel", "3"), vexhost::Refused) << "not an editor";
  EXPECT_THROW(Hands().ChooseInBrowser(Panel, ClassFrame, "Boat"), vexhost::Refused) << "not offered";
  EXPECT_THROW(Hands().PressOK(ErrorBox), vexhost::Refused);
  EXPECT_EQ(Journal().Count("RunAction"), 0) << "a refused action sends nothing";
  Hands().PressCancel(Panel);
}

TEST_F(Driver, OnlyOneSessionIsOpenAtATime) {
  EXPECT_EQ(vexhost::Session::Current(), &Host());
  EXPECT_THROW(vexhost::Session second, std::logic_error);
}

TEST(SessionClose, ClosingTheSessionCancelsTheRunningCommandAndDestroysEverything) {
  vexhost::Session::LoadModule(ModulePath());
  {
    vexhost::Session host(vexhost::SessionOptions{{VEX_RESOURCE_DIR}});
    host.OpenDocument(ShipDocument());
    ASSERT_NE(host.StartCommand(CommandName), nullptr);
    EXPECT_GT(vexhost::Session::LiveObjects(), 0);
  }
  EXPECT_EQ(vexhost::Session::LiveObjects(), 0);
}

TEST(SessionClose, LiveObjectsFollowsEachObjectMadeReleasedDestroyedOrOutlivingItsSession) {
  VexDialogAgent* kept = nullptr;
  {
    vexhost::Session host(vexhost::SessionOptions{{VEX_RESOURCE_DIR}});
    host.OpenDocument(ShipDocument());
    const int opened = vexhost::Session::LiveObjects();
    auto* destroyed = new VexDialogAgent("Destroyed");
    auto* released = new VexDialogAgent("Released");
    EXPECT_EQ(vexhost::Session::LiveObjects(), opened + 2);
    delete destroyed;
    EXPECT_EQ(vexhost::Session::LiveObjects(), opened + 1);
    released->Release();
    EXPECT_EQ(vexhost::Session::LiveObjects(), opened) << "a released object is no longer alive";
    kept = new VexDialogAgent("Kept");
  }
  EXPECT_EQ(vexhost::Session::LiveObjects(), 1) << "the agent kept past its session";
  kept->Release();
  EXPECT_EQ(vexhost::Session::LiveObjects(), 0);
}

TEST(FaultPlans, ParsedRulesFireOnceOrFromThenOnAsAsked) {
  std::string problem;
  auto fromThenOn = *vexhost::FaultPlan::ParseRaise("SetTitle@Box#2", problem, vexhost::Persistence::FromThenOn);
  EXPECT_FALSE(fromThenOn.ShouldRaise("SetTitle", "Box"));
  EXPECT_FALSE(fromThenOn.ShouldRaise("SetTitle", "Other")) << "calls on other objects do not count";
  EXPECT_TRUE(fromThenOn.ShouldRaise("SetTitle", "Box"));
  EXPECT_TRUE(fromThenOn.ShouldRaise("SetTitle", "Box"));
  auto once = *vexhost::FaultPlan::ParseStatus("CanCreate#2=-3", problem);
  EXPECT_FALSE(once.ShouldReturnStatus("CanCreate", "f"));
  EXPECT_EQ(once.ShouldReturnStatus("CanCreate", "f"), -3);
  EXPECT_FALSE(once.ShouldReturnStatus("CanCreate", "f"));
  auto persistentStatus = *vexhost::FaultPlan::ParseStatus("CanCreate=-3", problem, vexhost::Persistence::FromThenOn);
  EXPECT_EQ(persistentStatus.ShouldReturnStatus("CanCreate", "f"), -3);
  EXPECT_EQ(persistentStatus.ShouldReturnStatus("CanCreate", "f"), -3);
}

TEST_F(Driver, AnInsensitiveWindowOrFrameMakesWhatItHoldsUnusable) {
  auto* box = new VexDlgDialog(nullptr, "Box", 0);
  auto* frame = new VexDlgFrame(box, "Frame", 0);
  new VexDlgEditor(frame, "Editor", 0);  // dies with the box
  box->SetVisibility(VexDlgShow);
  const auto refusal = [](const std::function<void()>& act) {
    try {
      act();
    } catch (const vexhost::Refused& refused) {
      return std::string(refused.what());
    }
    return std::string("(done)");
  };
  EXPECT_EQ(refusal([&] { Hands().Type("Box", "Editor", "A"); }), "(done)");

  frame->SetSensitivity(VexDlgInsensitive);
  EXPECT_EQ(refusal([&] { Hands().Type("Box", "Editor", "B"); }),
            "the editor 'Editor' is greyed out: 'Frame', which holds it, is insensitive");
  frame->SetSensitivity(VexDlgSensitive);
  box->SetSensitivity(VexDlgInsensitive);
  EXPECT_EQ(refusal([&] { Hands().Type("Box", "Editor", "C"); }), "the dialog 'Box' is insensitive");
  EXPECT_EQ(refusal([&] { Hands().PressCancel("Box"); }), "the dialog 'Box' is insensitive");
  EXPECT_EQ(refusal([&] { Hands().PressOK("Box"); }), "the dialog 'Box' is insensitive");
  EXPECT_EQ(refusal([&] { Hands().CloseWindow("Box"); }), "the dialog 'Box' is insensitive");
  EXPECT_EQ(vexhost::Snapshot(*box).Find("Editor")->Lines, std::vector<std::string>{"A"}) << "nothing was typed";

  box->SetSensitivity(VexDlgSensitive);
  EXPECT_EQ(refusal([&] { Hands().Type("Box", "Editor", "D"); }), "(done)") << "usable again";
  delete box;
}

TEST_F(Driver, AnInsensitiveMessageBoxCannotBeAcknowledged) {
  auto* box = new VexDlgNotify(nullptr, "Note", 0);
  box->SetVisibility(VexDlgShow);
  box->SetSensitivity(VexDlgInsensitive);
  EXPECT_THROW(Hands().Acknowledge("Note"), vexhost::Refused);
  box->SetSensitivity(VexDlgSensitive);
  EXPECT_NO_THROW(Hands().Acknowledge("Note"));
  delete box;
}
