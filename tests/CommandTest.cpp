// The command object: creation through the dictionary, construction, its state graph, its
// resource names, type answers and destruction.
#include "TestSupport.h"

#include "vex/Dialogs.h"
#include "vex/StateCommand.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using Command = HostTest;

vexhost::DocumentData WithoutEditor() {
  vexhost::DocumentData document = ShipDocument();
  document.ActivePath.reset();
  return document;
}

}  // namespace

TEST_F(Command, TheHostCreatesTheCommandByNameThenBuildsItsGraphThenActivatesIt) {
  ASSERT_NE(Start(), nullptr);
  EXPECT_THAT(
      Calls({"Create", "BuildGraph", "Activate"}),
      ElementsAre("Create(\"VexStrCreateInterimProdCmd\") -> VexStrCreateInterimProdCmd",
                  "BuildGraph(VexStrCreateInterimProdCmd)", "Activate(VexStrCreateInterimProdCmd; null, null) -> 0"));
  Host().CancelRunningCommand();
}

TEST_F(Command, TheGraphHasOneStateWithThreeAgentsAndFiveTransitionsInOrder) {
  VexStateCommand* command = Start();
  ASSERT_NE(command, nullptr);
  const vexhost::GraphView graph = vexhost::SnapshotGraph(*command);
  EXPECT_EQ(graph.InitialState, "SelIntermProductType");
  EXPECT_THAT(graph.StateAgents, ElementsAre("ErrorBox", "PanelAgent", "SelectClassAgent"));
  ASSERT_EQ(graph.Transitions.size(), 5U);
  const std::vector<std::tuple<std::string, std::string, int>> expected{
      {"(end)", "LastModifiedAgent(ErrorBox, VexStrErrorBox.OK)", 0},
      {"(end)", "LastModifiedAgent(PanelAgent, InterimProductPanel.Cancel)", 0},
      {"(end)", "LastModifiedAgent(PanelAgent, InterimProductPanel.WindowClose)", 0},
      {"(end)", "LastModifiedAgent(PanelAgent, InterimProductPanel.OK)", 1},
      {"SelIntermProductType", "OutputSet(SelectClassAgent)", 2}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(graph.Transitions[i].From, "SelIntermProductType");
    EXPECT_EQ(graph.Transitions[i].To, std::get<0>(expected[i]));
    EXPECT_EQ(graph.Transitions[i].Condition, std::get<1>(expected[i]));
    EXPECT_EQ(graph.Transitions[i].Action, std::get<2>(expected[i]));
  }
  // The panel agent listens in the order OK, Cancel, window close; the class agent to any sender.
  EXPECT_THAT(Calls({"AcceptOnEvent", "AcceptOnNotify"}),
              ElementsAre("AcceptOnNotify(ErrorBox; VexStrErrorBox, VexStrErrorBox.OK)",
                          "AcceptOnEvent(PanelAgent; InterimProductPanel.OK, null)",
                          "AcceptOnEvent(PanelAgent; InterimProductPanel.Cancel, null)",
                          "AcceptOnEvent(PanelAgent; InterimProductPanel.WindowClose, null)",
                          "AcceptOnNotify(SelectClassAgent; null, \"VexStrObjectClassFrameNotif\")"));
  EXPECT_THAT(Calls({"VexDialogAgent", "VexPanelAcquisition"}),
              ElementsAre("VexDialogAgent(ErrorBox; \"ErrorBox\", 0, 3)",
                          "VexPanelAcquisition(PanelAgent; \"PanelAgent\", InterimProductPanel)",
                          "VexDialogAgent(SelectClassAgent; \"SelectClassAgent\", 0, 3)"));
  Host().CancelRunningCommand();
}

TEST_F(Command, AfterConstructionThePanelIsHiddenWithoutWidgetsAndTheErrorBoxIsUntouched) {
  ASSERT_NE(StartOn(WithoutEditor()), nullptr);
  const auto panel = See(Panel);
  EXPECT_FALSE(panel.Visible);
  EXPECT_THAT(panel.Children, IsEmpty());
  EXPECT_FALSE(See(ErrorBox).Visible);
  EXPECT_THAT(Calls({"SetVisibility"}), ElementsAre("SetVisibility(InterimProductPanel; 4)"));
  EXPECT_EQ(Journal().Count("VexStrErrorBox"), 1);
  Host().CancelRunningCommand();
}

TEST_F(Command, ThePanelIsParentedToTheMainWindowOrToNothing) {
  ASSERT_NE(StartOn(WithoutEditor()), nullptr);
  EXPECT_THAT(Calls({"VexDlgDialog"}),
              ElementsAre("VexDlgDialog(InterimProductPanel; MainWindow, \"InterimProductPanel\", 0x1040C00)"));
  Host().CancelRunningCommand();
  auto options = DefaultOptions();
  options.WithMainWindow = false;
  Reopen(options);
  ASSERT_NE(StartOn(WithoutEditor()), nullptr);
  EXPECT_THAT(Calls({"VexDlgDialog"}),
              ElementsAre("VexDlgDialog(InterimProductPanel; null, \"InterimProductPanel\", 0x1040C00)"));
  Host().CancelRunningCommand();
}

TEST_F(Command, WhenTheCommandCannotBeAllocatedTheFactoryReturnsNullAndNothingIsBuilt) {
  Faults().FailAllocation(1);
  EXPECT_EQ(Start(), nullptr);
  EXPECT_THAT(Calls({"Create"}), ElementsAre("Create(\"VexStrCreateInterimProdCmd\") -> null"));
  EXPECT_EQ(Journal().Count("VexStateCommand"), 0);
  EXPECT_EQ(Journal().Count("BuildGraph"), 0);
}

TEST_F(Command, WithoutAPanelTheCommandAsksForItsDestructionAndKeepsOnlyTheErrorBoxTransition) {
  Faults().FailAllocation(2);
  EXPECT_EQ(Start(), nullptr) << "the host destroyed the command it asked for";
  EXPECT_THAT(Calls({"RequestDelayedDestruction"}),
              ElementsAre("RequestDelayedDestruction(VexStrCreateInterimProdCmd)",
                          "RequestDelayedDestruction(PanelAgent)", "RequestDelayedDestruction(ErrorBox)",
                          "RequestDelayedDestruction(VexStrErrorBox)", "RequestDelayedDestruction(SelectClassAgent)"));
  EXPECT_EQ(Journal().Count("VexStrErrorBox"), 1) << "the error box is still created";
  EXPECT_THAT(Calls({"AddTransition"}),
              ElementsAre("AddTransition(VexStrCreateInterimProdCmd; SelIntermProductType, null, "
                          "LastModifiedAgent(ErrorBox, VexStrErrorBox.OK), action)"));
  EXPECT_EQ(Journal().Count("AcceptOnEvent"), 0) << "a panel agent without a panel accepts nothing";
  EXPECT_EQ(Journal().Count("Destroy", CommandName), 1);
  EXPECT_EQ(Journal().Count("SetVisibility", Panel), 0);
}

TEST_F(Command, WithoutAnErrorBoxItsAgentAcceptsNothingAndItsTransitionIsLeftOut) {
  Faults().FailAllocation(3);
  VexStateCommand* command = Start();
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(Journal().Count("AcceptOnNotify", "ErrorBox"), 0);
  const auto graph = vexhost::SnapshotGraph(*command);
  ASSERT_EQ(graph.Transitions.size(), 4U);
  EXPECT_EQ(graph.Transitions[0].Condition, "LastModifiedAgent(PanelAgent, InterimProductPanel.Cancel)");
  Hands().PressCancel(Panel);
  EXPECT_FALSE(Running());
}

TEST_F(Command, AnAgentThatCannotBeAllocatedStaysNullButKeepsItsPlaceAndTransitions) {
  Faults().FailAllocation(4);  // the error-box agent
  VexStateCommand* command = Start();
  ASSERT_NE(command, nullptr);
  const auto graph = vexhost::SnapshotGraph(*command);
  EXPECT_THAT(graph.StateAgents, ElementsAre("(null)", "PanelAgent", "SelectClassAgent"));
  ASSERT_EQ(graph.Transitions.size(), 5U);
  EXPECT_EQ(graph.Transitions[0].Condition, "LastModifiedAgent(null, VexStrErrorBox.OK)");
  Hands().PressCancel(Panel);
  EXPECT_FALSE(Running());
}

TEST_F(Command, WhenItsStateCannotBeMadeTheCommandEndsInsteadOfShowingAPanelNothingCloses) {
  Faults().Raise("GetInitialState", 1);
  EXPECT_EQ(Start(), nullptr) << "the host destroyed the command it asked for";
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_FALSE(Host().Errors()[0].Escaped) << "BuildGraph catches it in its own scope";
  EXPECT_EQ(Journal().Count("AddTransition"), 0) << "the rest of BuildGraph is skipped";
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 1);
  EXPECT_EQ(Host().FindDialog(Panel), nullptr) << "no panel is left on screen";
  EXPECT_EQ(Host().CommandsEnded(), 1);
  // The next start is a normal one.
  ASSERT_NE(Host().StartCommand(CommandName), nullptr);
  Hands().PressCancel(Panel);
  EXPECT_FALSE(Running());
}

TEST_F(Command, AStateThatCannotBeAllocatedEndsTheCommandToo) {
  const int stateAllocation = AllocationOf("GetInitialState", {}, 1);
  Faults().FailAllocation(stateAllocation);
  EXPECT_EQ(Start(), nullptr);
  EXPECT_EQ(Journal().Count("AddDialogAgent"), 0);
  // The transitions are still added as they stand, from no state: the host never tests them.
  const auto transitions = Calls({"AddTransition"});
  ASSERT_EQ(transitions.size(), 5U);
  EXPECT_EQ(transitions[0],
            "AddTransition(VexStrCreateInterimProdCmd; null, null, "
            "LastModifiedAgent(ErrorBox, VexStrErrorBox.OK), action)");
  EXPECT_EQ(transitions[4],
            "AddTransition(VexStrCreateInterimProdCmd; null, null, OutputSet(SelectClassAgent), action)");
  EXPECT_EQ(Journal().Count("RunAction"), 0);
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 1);
  EXPECT_EQ(Host().FindDialog(Panel), nullptr);
}

TEST_F(Command, AGraphStoppedPartWayByAHostErrorEndsTheCommand) {
  Faults().Raise("AddTransition", 2);  // the panel's Cancel: nothing would close the panel
  EXPECT_EQ(Start(), nullptr);
  EXPECT_EQ(Journal().Count("AddTransition"), 2);
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 1);
  EXPECT_EQ(Host().FindDialog(Panel), nullptr);
}

TEST_F(Command, APanelWhoseAgentCannotBeAllocatedIsNotShownForNothingWouldCloseIt) {
  const int agentAllocation = AllocationOf("VexPanelAcquisition");
  Faults().FailAllocation(agentAllocation);
  EXPECT_EQ(Start(), nullptr);
  EXPECT_EQ(Journal().Count("VexPanelAcquisition"), 0);
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 1);
  EXPECT_EQ(Host().FindDialog(Panel), nullptr) << "no panel is left on screen";
  ASSERT_NE(Host().StartCommand(CommandName), nullptr) << "the next start is a normal one";
  Hands().PressCancel(Panel);
  EXPECT_FALSE(Running());
}

TEST_F(Command, AConstructorStoppedBeforeThePanelLeavesTheCommandWaitingThoughItsGraphFailsToo) {
  // Nothing can be shown, and nothing was asked of the host yet: as without an editor, the command
  // waits for the host to end it, also when its graph then stops part-way.
  Faults().Raise("GetCurrentLayout", 1);
  Faults().Raise("GetInitialState", 1);
  ASSERT_NE(Start(), nullptr);
  ASSERT_EQ(Host().Errors().size(), 2U) << "the layout, asked for first, and the state raised";
  EXPECT_TRUE(Running());
  EXPECT_EQ(Host().FindDialog(Panel), nullptr);
  EXPECT_EQ(Host().FindDialog(ErrorBox), nullptr);
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 0);
  Host().CancelRunningCommand();
  EXPECT_FALSE(Running());
}

TEST_F(Command, AWholeGraphDoesNotAskForTheCommandsDestruction) {
  ASSERT_NE(Start(), nullptr);
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 0);
  Host().CancelRunningCommand();
}

TEST_F(Command, TheCommandIsMadeInModeZeroAndItsGraphIsBuiltAgentByAgentThenRowByRow) {
  ASSERT_NE(Start(), nullptr);
  EXPECT_THAT(Calls({"VexStateCommand"}), ElementsAre("VexStateCommand(VexStrCreateInterimProdCmd; 0)"));
  const std::vector<std::string> graph{
      "VexDialogAgent(ErrorBox; \"ErrorBox\", 0, 3)",
      "AcceptOnNotify(ErrorBox; VexStrErrorBox, VexStrErrorBox.OK)",
      "VexPanelAcquisition(PanelAgent; \"PanelAgent\", InterimProductPanel)",
      "AcceptOnEvent(PanelAgent; InterimProductPanel.OK, null)",
      "AcceptOnEvent(PanelAgent; InterimProductPanel.Cancel, null)",
      "AcceptOnEvent(PanelAgent; InterimProductPanel.WindowClose, null)",
      "VexDialogAgent(SelectClassAgent; \"SelectClassAgent\", 0, 3)",
      "AcceptOnNotify(SelectClassAgent; null, \"VexStrObjectClassFrameNotif\")",
      "GetInitialState(VexStrCreateInterimProdCmd; \"SelIntermProductType\")",
      "AddDialogAgent(SelIntermProductType; ErrorBox)",
      "AddDialogAgent(SelIntermProductType; PanelAgent)",
      "AddDialogAgent(SelIntermProductType; SelectClassAgent)",
      "IsLastModifiedAgentCondition(VexStrCreateInterimProdCmd; ErrorBox, VexStrErrorBox.OK)",
      "Action(VexStrCreateInterimProdCmd; method, null, null, null)",
      "AddTransition(VexStrCreateInterimProdCmd; SelIntermProductType, null, LastModifiedAgent(ErrorBox, "
      "VexStrErrorBox.OK), action)",
      "IsLastModifiedAgentCondition(VexStrCreateInterimProdCmd; PanelAgent, InterimProductPanel.Cancel)",
      "Action(VexStrCreateInterimProdCmd; method, null, null, null)",
      "AddTransition(VexStrCreateInterimProdCmd; SelIntermProductType, null, LastModifiedAgent(PanelAgent, "
      "InterimProductPanel.Cancel), action)",
      "IsLastModifiedAgentCondition(VexStrCreateInterimProdCmd; PanelAgent, InterimProductPanel.WindowClose)",
      "Action(VexStrCreateInterimProdCmd; method, null, null, null)",
      "AddTransition(VexStrCreateInterimProdCmd; SelIntermProductType, null, LastModifiedAgent(PanelAgent, "
      "InterimProductPanel.WindowClose), action)",
      "IsLastModifiedAgentCondition(VexStrCreateInterimProdCmd; PanelAgent, InterimProductPanel.OK)",
      "Action(VexStrCreateInterimProdCmd; method, null, null, null)",
      "AddTransition(VexStrCreateInterimProdCmd; SelIntermProductType, null, LastModifiedAgent(PanelAgent, "
      "InterimProductPanel.OK), action)",
      "IsOutputSetCondition(VexStrCreateInterimProdCmd; SelectClassAgent)",
      "Action(VexStrCreateInterimProdCmd; method, null, null, null)",
      "AddTransition(VexStrCreateInterimProdCmd; SelIntermProductType, SelIntermProductType, "
      "OutputSet(SelectClassAgent), action)"};
  EXPECT_EQ(
      Calls({"VexDialogAgent", "VexPanelAcquisition", "AcceptOnNotify", "AcceptOnEvent", "GetInitialState",
             "AddDialogAgent", "IsLastModifiedAgentCondition", "IsOutputSetCondition", "Action", "AddTransition"}),
      graph);
  Host().CancelRunningCommand();
}

TEST_F(Command, AHostErrorInTheConstructorKeepsWhatWasBuiltBeforeIt) {
  Faults().Raise("SetVisibility", 1, vexhost::ErrorKind::SystemError);
  VexStateCommand* command = Start();
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(Journal().Count("VexStrErrorBox"), 0) << "the error box comes after the failed call";
  EXPECT_EQ(vexhost::SnapshotGraph(*command).Transitions.size(), 4U);
  Host().CancelRunningCommand();
}

TEST_F(Command, DestructionHandsEverythingToDelayedDestructionInOrderAndReleasesTheFactoryOnce) {
  ASSERT_NE(Start(), nullptr);
  const std::size_t mark = Journal().Size();
  Hands().PressCancel(Panel);
  EXPECT_THAT(Calls({"RequestDelayedDestruction", "Release"}, mark),
              ElementsAre("RequestDelayedDestruction(InterimProductPanel)", "RequestDelayedDestruction(PanelAgent)",
                          "RequestDelayedDestruction(ErrorBox)", "RequestDelayedDestruction(VexStrErrorBox)",
                          "RequestDelayedDestruction(SelectClassAgent)", "Release(Block A.factory)"));
  EXPECT_THAT(Calls({"Destroy"}, mark),
              ElementsAre("Destroy(VexStrCreateInterimProdCmd)", "Destroy(InterimProductPanel)", "Destroy(PanelAgent)",
                          "Destroy(ErrorBox)", "Destroy(VexStrErrorBox)", "Destroy(SelectClassAgent)"));
}

TEST_F(Command, DestroyingACommandWithAllFieldsNullReleasesNothingAndHandsNothingOver) {
  Faults().FailAllocation(2, vexhost::Persistence::FromThenOn);
  EXPECT_EQ(StartOn(WithoutEditor()), nullptr);
  EXPECT_THAT(Calls({"RequestDelayedDestruction", "Release"}),
              ElementsAre("RequestDelayedDestruction(VexStrCreateInterimProdCmd)"));
}

TEST_F(Command, ResourceFilesAreTheCommandsOwnAtLevelZeroAndTheBaseClassesAbove) {
  VexStateCommand* command = StartOn(WithoutEditor());
  ASSERT_NE(command, nullptr);
  EXPECT_STREQ(command->GetResourceFilename(-1), "VexStrCreateInterimProdCmd");
  EXPECT_STREQ(command->GetResourceFilename(0), "VexStrCreateInterimProdCmd");
  EXPECT_STREQ(command->GetResourceFilename(1), "VexDialogAgent");
  EXPECT_STREQ(command->GetResourceFilename(3), "VexEventSubscriber");
  VexDialog* panel = Host().FindDialog(Panel);
  ASSERT_NE(panel, nullptr);
  EXPECT_STREQ(panel->GetResourceFilename(-1), "VexStrInterimProdPanel");
  EXPECT_STREQ(panel->GetResourceFilename(0), "VexStrInterimProdPanel");
  EXPECT_STREQ(panel->GetResourceFilename(1), "VexDialog");
  EXPECT_STREQ(panel->GetResourceFilename(3), "VexEventSubscriber");
  Host().CancelRunningCommand();
}

TEST_F(Command, TheCommandAndThePanelAnswerTypeQueriesAsTheirBaseClasses) {
  VexStateCommand* command = StartOn(WithoutEditor());
  ASSERT_NE(command, nullptr);
  EXPECT_STREQ(command->GetMetaObject()->GetName(), "VexStateCommand");
  EXPECT_EQ(command->IsA("VexStateCommand"), 1);
  EXPECT_EQ(command->IsA("VexStrCreateInterimProdCmd"), 0);
  EXPECT_EQ(command->IsAKindOf("VexCommand"), 1);
  VexDialog* panel = Host().FindDialog(Panel);
  EXPECT_STREQ(panel->GetMetaObject()->GetName(), "VexDlgDialog");
  EXPECT_EQ(panel->IsAKindOf("VexDlgWindow"), 1);
  Host().CancelRunningCommand();
}

TEST_F(Command, CancelAndDesactivateReturnZeroAndChangeNothing) {
  VexStateCommand* command = Start();
  ASSERT_TRUE(Shown(Panel));
  const std::size_t mark = Journal().Size();
  EXPECT_EQ(command->Cancel(nullptr, nullptr), 0);
  EXPECT_EQ(command->Desactivate(nullptr, nullptr), 0);
  EXPECT_THAT(Since(mark), IsEmpty()) << "neither calls the host";
  EXPECT_TRUE(Shown(Panel));
  EXPECT_FALSE(Shown(ErrorBox));
  EXPECT_TRUE(Running());
  Host().CancelRunningCommand();
}

TEST_F(Command, TheSelectedClassIsEmptyUntilAClassIsChosen) {
  // A Build stopped by a host error leaves OK as the host made it, sensitive, with no class chosen.
  Faults().Raise("SetVisibleTextHeight", 1);
  ASSERT_NE(Start(), nullptr);
  ASSERT_TRUE(See(Panel).OKSensitive);
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"CreateInterimProduct"}),
              ElementsAre("CreateInterimProduct(Block A.factory; \"\", extra=0, created=null) -> -1 [extra=0, "
                          "created=null]"));
  EXPECT_EQ(ProductAt("Hull/Block A").Children.size(), 1U);
  EXPECT_FALSE(Running());
}

TEST_F(Command, AHostErrorWhileHandingOverOneObjectStillHandsOverTheOthersAndReleasesTheFactory) {
  ASSERT_NE(Start(), nullptr);
  Faults().Raise("RequestDelayedDestruction", 1, vexhost::ErrorKind::VexError, Panel);
  const std::size_t mark = Journal().Size();
  Hands().PressCancel(Panel);
  EXPECT_THAT(Calls({"RequestDelayedDestruction", "Release"}, mark),
              ElementsAre("RequestDelayedDestruction(InterimProductPanel)", "RequestDelayedDestruction(PanelAgent)",
                          "RequestDelayedDestruction(ErrorBox)", "RequestDelayedDestruction(VexStrErrorBox)",
                          "RequestDelayedDestruction(SelectClassAgent)", "Release(Block A.factory)"));
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_FALSE(Host().Errors()[0].Escaped) << "the destructor's own scope caught it";
  EXPECT_FALSE(Running());
}
