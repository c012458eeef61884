// The stand-in host where the module relies on it: the engine, agents, destruction, dialogs,
// resources, the fault plan and the accounting. A small probe command plays the module here.
#include "TestSupport.h"

#include "vex/Dialogs.h"
#include "vex/Dictionary.h"
#include "vex/Errors.h"
#include "vex/StateCommand.h"

using namespace vextest;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

// A probe command: one dialog, one agent on its OK and Cancel, transitions chosen per test.
struct ProbeSetup {
  bool OkLoops = false;                // OK: a self-loop that does not re-arm the agent
  bool NullAgentFirst = false;         // a transition on a null agent comes first
  bool NullSourceFirst = false;        // a transition from a null state comes first
  bool RequestOwnDestruction = false;  // the closing action asks for the command's destruction
};
ProbeSetup Probe;
int Fired = 0;

class ProbeCommand : public VexStateCommand {
 public:
  ProbeCommand() : VexStateCommand(0) {
    _Dialog = new VexDlgDialog(nullptr, "ProbeDialog", 0);
    _Dialog->SetVisibility(VexDlgShow);
  }
  ~ProbeCommand() override {
    _Dialog->RequestDelayedDestruction();
    _Agent->RequestDelayedDestruction();
  }
  void BuildGraph() override {
    _Agent = new VexPanelAcquisition("ProbeAgent", _Dialog);
    _Agent->AcceptOnEvent(_Dialog->GetDiaOKNotification(), nullptr);
    _Agent->AcceptOnEvent(_Dialog->GetDiaCANCELNotification(), nullptr);
    VexDialogState* state = GetInitialState("Waiting");
    state->AddDialogAgent(_Agent);
    const auto count = static_cast<VexActionMethod>(&ProbeCommand::Count);
    const auto close = static_cast<VexActionMethod>(&ProbeCommand::Close);
    if (Probe.NullAgentFirst) AddTransition(state, nullptr, IsOutputSetCondition(nullptr), Action(count));
    if (Probe.NullSourceFirst) AddTransition(nullptr, nullptr, IsOutputSetCondition(_Agent), Action(count));
    if (Probe.OkLoops) {
      AddTransition(state, state, IsLastModifiedAgentCondition(_Agent, _Dialog->GetDiaOKNotification()), Action(count));
      AddTransition(state, nullptr, IsOutputSetCondition(_Agent), Action(close));
    }
    AddTransition(state, nullptr, IsLastModifiedAgentCondition(_Agent, _Dialog->GetDiaCANCELNotification()),
                  Action(close));
    AddTransition(state, nullptr, IsOutputSetCondition(_Agent), Action(close));
  }
  VexBoolean Count(void*) {
    ++Fired;
    return 1;
  }
  VexBoolean Close(void*) {
    if (Probe.RequestOwnDestruction) RequestDelayedDestruction();
    return 0;
  }
  void Rearm() { _Agent->InitializeAcquisition(); }

 private:
  VexDlgDialog* _Dialog = nullptr;
  VexPanelAcquisition* _Agent = nullptr;
};

VexBaseUnknown* CreateProbe() { return new ProbeCommand(); }
VexFillDictionary ProbeRegistration("ProbeCommand", &CreateProbe);

class StandIn : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Probe = ProbeSetup();
    Fired = 0;
  }
  int DestroyedProbes() { return Journal().Count("Destroy", "ProbeCommand"); }
};

}  // namespace

TEST_F(StandIn, TransitionsAreTestedInOrderAndTheFirstThatHoldsFires) {
  Probe.OkLoops = true;
  Host().StartCommand("ProbeCommand");
  Hands().PressOK("ProbeDialog");
  // Both the self-loop and the closing transition hold; the one added first fires.
  EXPECT_EQ(Fired, 1);
  EXPECT_TRUE(Running());
  EXPECT_THAT(Calls({"RunAction"}), ElementsAre("RunAction(ProbeCommand; transition 1) -> true"));
  Host().CancelRunningCommand();
}

TEST_F(StandIn, AValuedAgentTakesNothingUntilItIsMadeToWaitAgain) {
  Probe.OkLoops = true;
  auto* probe = static_cast<ProbeCommand*>(Host().StartCommand("ProbeCommand"));
  Hands().PressOK("ProbeDialog");
  Hands().PressOK("ProbeDialog");
  Hands().PressCancel("ProbeDialog");
  EXPECT_EQ(Fired, 1);
  EXPECT_TRUE(Running());
  probe->Rearm();
  Hands().PressCancel("ProbeDialog");
  EXPECT_FALSE(Running());
}

TEST_F(StandIn, ANullTargetEndsTheCommandThenDelayedDestructionsRun) {
  Host().StartCommand("ProbeCommand");
  Hands().PressCancel("ProbeDialog");
  EXPECT_FALSE(Running());
  EXPECT_EQ(Host().CommandsEnded(), 1);
  EXPECT_THAT(Calls({"Destroy"}), ElementsAre("Destroy(ProbeCommand)", "Destroy(ProbeDialog)", "Destroy(ProbeAgent)"));
}

TEST_F(StandIn, ACommandThatAskedForItsOwnDestructionAndEndsIsDestroyedOnce) {
  Probe.RequestOwnDestruction = true;
  Host().StartCommand("ProbeCommand");
  Hands().PressCancel("ProbeDialog");
  EXPECT_EQ(DestroyedProbes(), 1);
}

TEST_F(StandIn, ConditionsOnNullAgentsAndTransitionsFromNullStatesNeverFire) {
  Probe.NullAgentFirst = true;
  Probe.NullSourceFirst = true;
  Host().StartCommand("ProbeCommand");
  Hands().PressCancel("ProbeDialog");
  EXPECT_EQ(Fired, 0);
  EXPECT_FALSE(Running());
}

TEST_F(StandIn, StartingAnotherCommandCancelsAndDestroysTheRunningOne) {
  Host().StartCommand("ProbeCommand");
  Host().StartCommand("ProbeCommand");
  EXPECT_THAT(Calls({"Cancel"}), ElementsAre("Cancel(ProbeCommand; null, null) -> 0"));
  EXPECT_EQ(DestroyedProbes(), 1);
  Host().CancelRunningCommand();
}

TEST_F(StandIn, UnknownCommandNamesAreRejected) {
  EXPECT_THROW(Host().StartCommand("NoSuchCommand"), std::invalid_argument);
}

TEST_F(StandIn, AttachmentsAreRecordedPerContainerInCallOrderAndANullEndsTheList) {
  auto* dialog = new VexDlgDialog(nullptr, "Box", 0);
  auto* frame = new VexDlgFrame(dialog, "Frame", 0);
  auto* label = new VexDlgLabel(frame, "Label", 0);
  auto* editor = new VexDlgEditor(frame, "Editor", 0);
  frame->SetHorizontalAttachment(5, 5, label, editor, nullptr);
  frame->SetVerticalAttachment(0, 1, nullptr, editor, nullptr);
  dialog->SetVerticalAttachment(0, 1, frame, nullptr);
  const auto view = vexhost::Snapshot(*dialog);
  ASSERT_EQ(view.Attachments.size(), 1U);
  EXPECT_THAT(view.Attachments[0].Widgets, ElementsAre("Frame"));
  const auto* frameView = view.Find("Frame");
  ASSERT_EQ(frameView->Attachments.size(), 2U);
  EXPECT_EQ(frameView->Attachments[0].Operation, "SetHorizontalAttachment");
  EXPECT_THAT(frameView->Attachments[0].Widgets, ElementsAre("Label", "Editor"));
  EXPECT_THAT(frameView->Attachments[1].Widgets, IsEmpty());
  delete dialog;  // its widgets go with it
}

TEST_F(StandIn, ResourceTextsAreFoundByKeyAndAMissingKeyLeavesItself) {
  auto* dialog = new VexDlgDialog(nullptr, "Box", 0);
  VexUnicodeString text("previous");
  // A plain dialog's files are those of its classes; none of them holds this key.
  EXPECT_EQ(dialog->GetResourceValueFromKey("LabelPartNumber", text, nullptr), 0);
  EXPECT_EQ(text, "LabelPartNumber");
  delete dialog;
}

TEST_F(StandIn, AFailedAllocationReturnsNullAndRunsNoConstructor) {
  Faults().FailAllocation(1);
  auto* frame = new VexDlgFrame(nullptr, "Frame", 0);
  EXPECT_EQ(frame, nullptr);
  EXPECT_EQ(Journal().Count("VexDlgFrame"), 0);
  auto* next = new VexDlgFrame(nullptr, "Frame", 0);  // the fault was transient
  EXPECT_NE(next, nullptr);
  delete next;
}

TEST_F(StandIn, RaisedErrorsOfEachKindReachTheScopeAndAreTakenBackByTheHost) {
  auto* dialog = new VexDlgDialog(nullptr, "Box", 0);
  Faults().Raise("SetTitle", 1, vexhost::ErrorKind::VexError);
  Faults().Raise("SetVisibility", 1, vexhost::ErrorKind::SystemError);
  int vexErrors = 0;
  const bool first = VexXHContext::Guard([&] { dialog->SetTitle("x"); },
                                         [&](VexBaseUnknown* error) {
                                           vexErrors += error->IsAKindOf(VexError::ClassName());
                                           error->Release();
                                         });
  const bool second =
      VexXHContext::Guard([&] { dialog->SetVisibility(VexDlgShow); },
                          [&](VexBaseUnknown* error) { vexErrors += error->IsAKindOf(VexError::ClassName()); });
  EXPECT_FALSE(first);
  EXPECT_FALSE(second);
  EXPECT_EQ(vexErrors, 1);
  ASSERT_EQ(Host().Errors().size(), 2U);
  EXPECT_EQ(Host().Errors()[0].Kind, "VexError");
  EXPECT_TRUE(Host().Errors()[0].ReleasedByHandler);
  EXPECT_EQ(Host().Errors()[1].Kind, "VexSystemError");
  EXPECT_FALSE(Host().Errors()[1].ReleasedByHandler);
  EXPECT_FALSE(vexhost::Snapshot(*dialog).Visible) << "the failed call changed nothing";
  delete dialog;
}

TEST_F(StandIn, TheAccountingCatchesALeakAndAnOverRelease) {
  auto* leaked = new VexDlgFrame(nullptr, "Forgotten", 0);
  EXPECT_THAT(Host().Accounting().Live, ElementsAre("VexDlgFrame 'Forgotten'"));
  delete leaked;
  auto* error = new VexError("counted");
  error->Release();
  error->Release();
  EXPECT_THAT(Host().Accounting().OverReleases,
              ElementsAre("Release on an unnamed object (module->host): its last reference was already released"));
  DiscardSession();
}

TEST_F(StandIn, UnicodeStringsCountCharactersAndKeepTheirUtf8) {
  const VexUnicodeString text("Блок-Ä1 ⚓");
  EXPECT_EQ(text.GetLengthInChar(), 9);
  EXPECT_STREQ(VexUnicodeString(text.CastToCharPtr()).CastToCharPtr(), "Блок-Ä1 ⚓");
  EXPECT_EQ(VexUnicodeString().GetLengthInChar(), 0);
}

// A raised error holds one reference for whoever catches it: a copy would seem to hold another.
static_assert(!std::is_copy_constructible_v<VexRaisedError> && !std::is_copy_assignable_v<VexRaisedError>);
static_assert(std::is_nothrow_move_constructible_v<VexRaisedError>);

TEST_F(StandIn, AHandlerMayReleaseAVexErrorWhileAnErrorOfAnotherKindIsTheHosts) {
  auto* dialog = new VexDlgDialog(nullptr, "Box", 0);
  Faults().Raise("SetTitle", 1, vexhost::ErrorKind::VexError);
  Faults().Raise("SetVisibility", 1, vexhost::ErrorKind::SystemError);
  const auto release = [](VexBaseUnknown* error) { error->Release(); };
  VexXHContext::Guard([&] { dialog->SetTitle("x"); }, release);
  EXPECT_TRUE(Host().Accounting().OverReleases.empty());
  VexXHContext::Guard([&] { dialog->SetVisibility(VexDlgShow); }, release);
  EXPECT_THAT(
      Host().Accounting().OverReleases,
      ElementsAre("Release on 'VexSystemError' (module->host): a caught VexSystemError is the host's to release"));
  ASSERT_EQ(Host().Errors().size(), 2U);
  EXPECT_TRUE(Host().Errors()[1].ReleasedByHandler);
  EXPECT_THAT(Host().Accounting().Live, Not(Contains(HasSubstr("Error")))) << "both errors are gone";
  delete dialog;
  DiscardSession();
}
