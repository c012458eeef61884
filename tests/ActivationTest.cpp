// Activation: what the user sees when the command starts, for each kind of active product.
#include "TestSupport.h"

#include "vex/Errors.h"
#include "vex/ObjectClassFrame.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class Activation : public HostTest {
 protected:
  vexhost::DocumentData ActiveAt(std::vector<std::string> path) {
    vexhost::DocumentData document = ShipDocument();
    document.ActivePath = std::move(path);
    return document;
  }
  // The ship with Block A changed by `change`.
  template <class Change>
  vexhost::DocumentData WithBlockA(Change change) {
    vexhost::DocumentData document = ShipDocument();
    change(document.Root.Children[0]);
    return document;
  }
  std::string ErrorText() { return See(ErrorBox).Lines.at(0); }
  // What a person sees of a dialog: its widgets that are shown.
  static vexhost::WidgetView Visible(vexhost::WidgetView view) {
    std::erase_if(view.Children, [](const vexhost::WidgetView& child) { return !child.Visible; });
    for (auto& child : view.Children) child = Visible(child);
    return view;
  }
  std::vector<std::string> PartNumberLines() { return See(Panel).Find(PartNumberEditor)->Lines; }
  // The one host error left Activate right after `failedCall`, and only the locals went after it.
  void ExpectActivateLeftAfter(const std::string& failedCall) {
    ASSERT_EQ(Host().Errors().size(), 1U);
    EXPECT_TRUE(Host().Errors()[0].Escaped);
    EXPECT_EQ(Host().Errors()[0].Where, "Activate");
    const auto& entries = Journal().Entries();
    ASSERT_GE(entries.size(), 3U);
    std::vector<std::string> tail;
    for (std::size_t i = entries.size() - 3; i < entries.size(); ++i) tail.push_back(entries[i].Text());
    EXPECT_THAT(tail, ElementsAre(failedCall, "~VexIProduct_var(Block A)", "~VexPathElement()"));
  }
};

}  // namespace

TEST_F(Activation, WithNoCurrentEditorNothingIsShownAndBothAgentsWaitAgain) {
  vexhost::DocumentData document = ShipDocument();
  document.ActivePath.reset();
  ASSERT_NE(StartOn(document), nullptr);
  EXPECT_FALSE(Shown(Panel));
  EXPECT_FALSE(Shown(ErrorBox));
  EXPECT_THAT(Calls({"InitializeAcquisition", "GetCurrentEditor", "GetActivePath", "Activate"}),
              ElementsAre("Activate(VexStrCreateInterimProdCmd; null, null) -> 0", "InitializeAcquisition(PanelAgent)",
                          "InitializeAcquisition(ErrorBox)", "GetCurrentEditor()"));
  Host().CancelRunningCommand();
}

TEST_F(Activation, RefusalShowsTheFactoryMessageAndLeavesThePanelUnbuilt) {
  ASSERT_NE(StartOn(ActiveAt({"Hull", "Block B"})), nullptr);
  // The text is in the box before it is shown, and activation reports 0.
  EXPECT_THAT(
      Calls({"Activate", "SetText", "SetVisibility"}),
      ElementsAre("SetVisibility(InterimProductPanel; 4)", "Activate(VexStrCreateInterimProdCmd; null, null) -> 0",
                  "SetText(VexStrErrorBox; \"Block B is released: no interim product can be added\")",
                  "SetVisibility(VexStrErrorBox; 2)"));
  EXPECT_TRUE(Shown(ErrorBox));
  EXPECT_EQ(ErrorText(), "Block B is released: no interim product can be added");
  EXPECT_FALSE(Shown(Panel));
  EXPECT_THAT(See(Panel).Children, IsEmpty());
  Hands().Acknowledge(ErrorBox);
  EXPECT_FALSE(Running());
  EXPECT_EQ(ProductAt("Hull/Block B").Children.size(), 0U);
}

TEST_F(Activation, APathWithoutAProductOpensTheErrorBoxWithAnEmptyText) {
  vexhost::DocumentData document = ShipDocument();
  document.Root.IsProduct = false;
  document.ActivePath = std::vector<std::string>{"Hull"};
  ASSERT_NE(StartOn(document), nullptr);
  EXPECT_TRUE(Shown(ErrorBox));
  EXPECT_EQ(ErrorText(), "");
  EXPECT_FALSE(Shown(Panel));
  EXPECT_EQ(Journal().Count("QueryInterface"), 0) << "nothing was found to ask";
  Hands().Acknowledge(ErrorBox);
}

TEST_F(Activation, AProductWithoutAFactoryOpensTheErrorBoxWithAnEmptyText) {
  ASSERT_NE(StartOn(WithBlockA([](vexhost::ProductData& block) { block.Factory.Present = false; })), nullptr);
  EXPECT_TRUE(Shown(ErrorBox));
  EXPECT_EQ(ErrorText(), "");
  EXPECT_EQ(Journal().Count("CanCreate"), 0);
  Hands().Acknowledge(ErrorBox);
}

TEST_F(Activation, TheDeepestProductOnThePathIsTheActiveOne) {
  ASSERT_NE(StartOn(ActiveAt({"Hull", "Block A", "Sub-block A1"})), nullptr);
  EXPECT_THAT(PartNumberLines(), ElementsAre("SA-210"));
  Hands().PressCancel(Panel);
}

TEST_F(Activation, AllowedCreationShowsThePanelBuiltFromTheFactorysSettingsCrossed) {
  ASSERT_NE(StartOn(WithBlockA([](vexhost::ProductData& block) {
              block.Factory.FirstClassSetting = "SubBlock";
              block.Factory.SecondClassSetting = "BlockFamily";
            })),
            nullptr);
  EXPECT_TRUE(Shown(Panel));
  EXPECT_FALSE(Shown(ErrorBox));
  EXPECT_THAT(
      Calls({"GetClassSettings", "VexStrObjectClassFrame", "SetClassObject", "SetVisibility", "IsBrowserAllowed",
             "SetSensitivity", "GetPartNumber", "ClearLine", "SetLine"}),
      ElementsAre(
          "SetVisibility(InterimProductPanel; 4)",
          "GetClassSettings(Block A.factory; first=\"\", second=\"\") -> 0 [first=\"SubBlock\", "
          "second=\"BlockFamily\"]",
          "VexStrObjectClassFrame(frmClass; InterimProductPanel, \"frmClass\", \"BlockFamily\", \"SubBlock\", 786432)",
          "SetLine(ComboIPLevel; \"2\", 64, 64)", "SetSensitivity(ComboIPLevel; 16)",
          "SetClassObject(frmClass; \"SubBlock\")", "SetVisibility(InterimProductPanel; 2)",
          "IsBrowserAllowed(Block A.factory; allowed=0) -> 0 [allowed=1]", "SetSensitivity(ClassBrowser; 8)",
          "GetPartNumber(Block A)", "ClearLine(editorpartnumber; -1)", "SetLine(editorpartnumber; \"BA-200\", -1)"));
  EXPECT_THAT(See(Panel).Find("ClassEditor")->Lines, ElementsAre("SubBlock"));
  EXPECT_THAT(PartNumberLines(), ElementsAre("BA-200"));
  EXPECT_THAT(Hands().Browse(Panel, ClassFrame), ElementsAre("Block", "SubBlock", "Panel", "Assembly"));
  Hands().PressCancel(Panel);
}

TEST_F(Activation, AProductThatForbidsTheBrowserGetsAnInsensitiveBrowserButton) {
  ASSERT_NE(StartOn(WithBlockA([](vexhost::ProductData& block) { block.Factory.BrowserAllowed = false; })), nullptr);
  EXPECT_FALSE(See(Panel).Find("ClassBrowser")->Sensitive);
  EXPECT_TRUE(See(Panel).Find("ClassEditor")->Sensitive) << "the rest of the frame is untouched";
  EXPECT_THROW(Hands().Browse(Panel, ClassFrame), vexhost::Refused);
  Hands().PressCancel(Panel);
}

TEST_F(Activation, AnEmptyPartNumberLeavesTheEditorEmpty) {
  ASSERT_NE(StartOn(WithBlockA([](vexhost::ProductData& block) { block.PartNumber.clear(); })), nullptr);
  EXPECT_THAT(PartNumberLines(), ElementsAre(""));
  EXPECT_THAT(Calls({"ClearLine", "SetLine"}).back(), "SetLine(editorpartnumber; \"\", -1)");
  Hands().PressCancel(Panel);
}

TEST_F(Activation, NonAsciiPartNumbersAndClassNamesRoundTripExactly) {
  vexhost::DocumentData document = WithBlockA([](vexhost::ProductData& block) { block.PartNumber = "БЛ-α/7 ⚓"; });
  document.ClassCatalogue.push_back("Секция");
  ASSERT_NE(StartOn(document), nullptr);
  EXPECT_THAT(PartNumberLines(), ElementsAre("БЛ-α/7 ⚓"));
  Hands().ChooseClass(Panel, ClassFrame, "Секция");
  Hands().Type(Panel, PartNumberEditor, "Блок-Ä1");
  Hands().PressOK(Panel);
  const auto block = ProductAt("Hull/Block A");
  EXPECT_EQ(block.PartNumber, "Блок-Ä1");
  ASSERT_EQ(block.Children.size(), 2U);
  EXPECT_EQ(block.Children[1].InterimClass, "Секция");
}

TEST_F(Activation, ARepeatedActivationReleasesThePreviousFactoryFirst) {
  VexStateCommand* command = Start();
  const std::size_t mark = Journal().Size();
  command->Activate(nullptr, nullptr);
  EXPECT_THAT(Calls({"Release", "QueryInterface"}, mark),
              ElementsAre("Release(Block A.factory)", "QueryInterface(Block A; VexIStrInterimProductFactory) -> 0",
                          "QueryInterface(Block A; VexIProduct) -> 0", "Release(Block A)"));
  Hands().PressCancel(Panel);
}

TEST_F(Activation, AnActivationThatFindsNoFactoryDropsTheOneItHad) {
  VexStateCommand* command =
      StartOn(WithBlockA([](vexhost::ProductData& block) { block.Children[0].Factory.Present = false; }));
  Host().SetActivePath({"Hull", "Block A", "Sub-block A1"});
  command->Activate(nullptr, nullptr);
  EXPECT_EQ(Journal().Count("Release", "Block A.factory"), 1);
  EXPECT_TRUE(Shown(ErrorBox));
  EXPECT_EQ(ErrorText(), "");
  // The panel of the first activation is still up; OK now finds no factory and creates nothing.
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().PressOK(Panel);
  EXPECT_EQ(Journal().Count("CreateInterimProduct"), 0);
  EXPECT_FALSE(Running());
}

TEST_F(Activation, AHostErrorInsideActivateLeavesItAfterItsLocalsAreGone) {
  Faults().Raise("GetClassSettings", 1);
  ASSERT_NE(Start(), nullptr);
  ExpectActivateLeftAfter("GetClassSettings(Block A.factory; first=\"\", second=\"\") -> raised VexError");
  EXPECT_FALSE(Shown(Panel));
  Host().CancelRunningCommand();
}

TEST_F(Activation, BeforeBuildThePanelReportsNoClassAndOKStaysOff) {
  vexhost::DocumentData document = ShipDocument();
  document.ActivePath.reset();
  ASSERT_NE(StartOn(document), nullptr);
  // Another dialog's class frame: the command listens to class choices from any sender.
  auto* other = new VexDlgDialog(nullptr, "Other", 0);
  auto* frame = new VexStrObjectClassFrame(other, "otherClass", "", "", 0);
  frame->Build();
  other->SetVisibility(VexDlgShow);
  const std::size_t mark = Journal().Size();
  Hands().ChooseClass("Other", "otherClass", "Block");
  EXPECT_THAT(Calls({"RunAction", "GetSelectedClass", "SetOKSensitivity", "InitializeAcquisition"}, mark),
              ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 5) -> false",
                          "SetOKSensitivity(InterimProductPanel; 16)", "InitializeAcquisition(SelectClassAgent)"));
  delete other;
  Host().CancelRunningCommand();
}

TEST_F(Activation, AReactivationWithoutAnEditorKeepsTheFactoryAndReadsNothing) {
  VexStateCommand* command = Start();
  Host().RemoveEditor();
  const std::size_t mark = Journal().Size();
  EXPECT_EQ(command->Activate(nullptr, nullptr), 0);
  EXPECT_THAT(Since(mark), ElementsAre("InitializeAcquisition(PanelAgent)", "InitializeAcquisition(ErrorBox)",
                                       "GetCurrentEditor()"));
  // The factory it kept still creates under Block A.
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().PressOK(Panel);
  EXPECT_EQ(ProductAt("Hull/Block A").Children.size(), 2U);
  EXPECT_EQ(Journal().Count("Release", "Block A.factory"), 1);
}

TEST_F(Activation, AReactivationWhoseReleaseOfThePreviousFactoryFailsNeverReleasesItAgain) {
  VexStateCommand* command = Start();
  Faults().Raise("Release", 1, vexhost::ErrorKind::VexError, "Block A.factory");
  const std::size_t mark = Journal().Size();
  try {
    command->Activate(nullptr, nullptr);
    ADD_FAILURE() << "the error should leave Activate";
  } catch (const VexRaisedError& raised) {
    raised.GetError()->Release();  // the caller's reference, as the host's top level takes it
  }
  const auto calls = Since(mark);
  ASSERT_GE(calls.size(), 3U);
  EXPECT_THAT(std::vector<std::string>(calls.end() - 3, calls.end()),
              ElementsAre("Release(Block A.factory)", "~VexPathElement()", "Release(VexError)"))
      << "nothing after the failed release ran";
  EXPECT_EQ(Journal().Count("SearchObject"), 1) << "only the first activation searched";
  Hands().PressCancel(Panel);
  EXPECT_EQ(Journal().Count("Release", "Block A.factory"), 1) << "the destructor finds no factory left";
}

TEST_F(Activation, ANonAsciiDefaultClassReachesTheClassFrameUnchanged) {
  const auto withClass = [](vexhost::ProductData& block) { block.Factory.FirstClassSetting = "Секция-α ⚓"; };
  ASSERT_NE(StartOn(WithBlockA(withClass)), nullptr);
  EXPECT_THAT(Calls({"SetClassObject"}), ElementsAre("SetClassObject(frmClass; \"Секция-α ⚓\")"));
  EXPECT_THAT(See(Panel).Find("ClassEditor")->Lines, ElementsAre("Секция-α ⚓"));
  Hands().PressCancel(Panel);
}

TEST_F(Activation, AnErrorWhileReleasingTheSearchedProductLeavesActivateShowingNothing) {
  Faults().Raise("Release", 1, vexhost::ErrorKind::VexError, "Block A");
  ASSERT_NE(Start(), nullptr);
  ExpectActivateLeftAfter("Release(Block A)");
  EXPECT_EQ(Journal().Count("Release", "Block A"), 1) << "the searched product is released once";
  EXPECT_FALSE(Shown(Panel));
  EXPECT_FALSE(Shown(ErrorBox));
  Host().CancelRunningCommand();
}

TEST_F(Activation, ARefusalWhoseErrorBoxCannotTakeItsOKEndsTheCommandInsteadOfShowingIt) {
  const int agentAllocation = AllocationOf("VexDialogAgent", "ErrorBox");
  Faults().FailAllocation(agentAllocation);
  EXPECT_EQ(StartOn(ActiveAt({"Hull", "Block B"})), nullptr) << "the host destroyed the command it asked for";
  EXPECT_EQ(Host().FindDialog(ErrorBox), nullptr) << "no box is left on screen that nothing could close";
  EXPECT_EQ(Host().FindDialog(Panel), nullptr);
  EXPECT_EQ(Journal().Count("SetText"), 0);
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 1);
  EXPECT_EQ(Host().CommandsEnded(), 1);
  // Where creation is allowed, the same missing agent costs nothing: the panel closes as usual.
  Host().SetActivePath({"Hull", "Block A"});
  Faults().FailAllocation(agentAllocation);
  ASSERT_NE(Host().StartCommand(CommandName), nullptr);
  Hands().PressCancel(Panel);
  EXPECT_FALSE(Running());
}

// From the fourth allocation on nothing can be allocated: the panel and the error box are made,
// their agents are not. The graph then asks for the command's end, and a refusal without the error
// box's agent would ask again, which the host counts as a misuse.
TEST_F(Activation, ACommandWithoutItsAgentsAsksForItsEndOnceThoughActivationIsRefused) {
  Faults().FailAllocation(4, vexhost::Persistence::FromThenOn);
  EXPECT_EQ(StartOn(ActiveAt({"Hull", "Block B"})), nullptr);
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 1);
  EXPECT_EQ(Host().FindDialog(ErrorBox), nullptr) << "no box that nothing could close";
  EXPECT_EQ(Host().CommandsEnded(), 1);
}

TEST_F(Activation, ARequestForTheEndThatRaisesAnErrorStillEndsTheCommandAndIsNotMadeAgain) {
  Faults().FailAllocation(4, vexhost::Persistence::FromThenOn);
  Faults().Raise("RequestDelayedDestruction", 1, vexhost::ErrorKind::VexError, CommandName);
  EXPECT_EQ(StartOn(ActiveAt({"Hull", "Block B"})), nullptr) << "the command ended all the same";
  EXPECT_EQ(Host().Errors().size(), 1U);
  EXPECT_EQ(Host().FindDialog(ErrorBox), nullptr);
  EXPECT_EQ(Host().CommandsEnded(), 1);
}

TEST_F(Activation, ARefusalWithoutAnErrorBoxShowsNothingAndTheCommandWaits) {
  const int boxAllocation = AllocationOf("VexStrErrorBox");
  Faults().FailAllocation(boxAllocation);
  ASSERT_NE(StartOn(ActiveAt({"Hull", "Block B"})), nullptr);
  EXPECT_TRUE(Running());
  EXPECT_EQ(Host().FindDialog(ErrorBox), nullptr);
  EXPECT_FALSE(Shown(Panel));
  EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 0);
  // Starting another command, as the person then does, ends the waiting one.
  Host().SetActivePath({"Hull", "Block A"});
  ASSERT_NE(Host().StartCommand(CommandName), nullptr);
  EXPECT_EQ(Host().CommandsEnded(), 1);
  Hands().PressCancel(Panel);
}

TEST_F(Activation, AProductThatGivesNoProductInterfaceShowsThePanelWithAnEmptyPartNumber) {
  // Block A's second query is the product handle's; the first was for its factory.
  Faults().ReturnStatus("QueryInterface", 2, -2, "Block A");
  ASSERT_NE(Start(), nullptr);
  EXPECT_TRUE(Shown(Panel));
  EXPECT_THAT(PartNumberLines(), IsEmpty());
  EXPECT_EQ(Journal().Count("GetPartNumber"), 0);
  // What the person then types is what the product gets.
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  Hands().PressOK(Panel);
  EXPECT_EQ(ProductAt("Hull/Block A").PartNumber, "BA-201");
  EXPECT_EQ(ProductAt("Hull/Block A").Children.size(), 2U);
}

TEST_F(Activation, AReactivationLeavesTheChosenClassAlone) {
  VexStateCommand* command = Start();
  Hands().ChooseClass(Panel, ClassFrame, "Assembly");
  Host().RemoveEditor();
  command->Activate(nullptr, nullptr);
  Hands().PressOK(Panel);
  const auto block = ProductAt("Hull/Block A");
  ASSERT_EQ(block.Children.size(), 2U);
  EXPECT_EQ(block.Children[1].InterimClass, "Assembly");
}

TEST_F(Activation, TheHostsReactivationDesactivatesThenActivatesAndTheFactoryKeptWithoutAnEditorCreates) {
  Start();
  Hands().ChooseClass(Panel, ClassFrame, "Assembly");
  Host().RemoveEditor();
  EXPECT_TRUE(Host().ReactivateRunningCommand());
  EXPECT_THAT(Calls({"Activate", "Desactivate"}),
              ElementsAre("Activate(VexStrCreateInterimProdCmd; null, null) -> 0",
                          "Desactivate(VexStrCreateInterimProdCmd; null, null) -> 0",
                          "Activate(VexStrCreateInterimProdCmd; null, null) -> 0"));
  Hands().PressOK(Panel);
  const auto block = ProductAt("Hull/Block A");
  ASSERT_EQ(block.Children.size(), 2U);
  EXPECT_EQ(block.Children[1].InterimClass, "Assembly");
  EXPECT_FALSE(Host().ReactivateRunningCommand()) << "no command runs any more";
}

TEST_F(Activation, AnAllowedReactivationShowsOneFreshPanelAndOKTakesWhatThePersonEntersInIt) {
  VexStateCommand* command = Start();
  Hands().ChooseClass(Panel, ClassFrame, "Assembly");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  command->Activate(nullptr, nullptr);
  // One set of widgets is shown, filled afresh: the default class, the product's part number, OK
  // off until a class is chosen in it.
  const auto shown = Visible(See(Panel));
  EXPECT_EQ(shown.Children.size(), 4U);
  EXPECT_THAT(shown.Find("ClassEditor")->Lines, ElementsAre("Block"));
  EXPECT_THAT(shown.Find(PartNumberEditor)->Lines, ElementsAre("BA-200"));
  EXPECT_FALSE(shown.OKSensitive);
  Hands().Type(Panel, PartNumberEditor, "BA-202");
  Hands().ChooseClass(Panel, ClassFrame, "Panel");
  Hands().PressOK(Panel);
  const auto block = ProductAt("Hull/Block A");
  ASSERT_EQ(block.Children.size(), 2U);
  EXPECT_EQ(block.Children[1].InterimClass, "Panel");
  EXPECT_EQ(block.PartNumber, "BA-202");
}

TEST_F(Activation, AnAllowedReactivationTakesDownTheRefusalAnEarlierOneShowed) {
  VexStateCommand* command = StartOn(ActiveAt({"Hull", "Block B"}));
  ASSERT_TRUE(Shown(ErrorBox));
  Host().SetActivePath({"Hull", "Block A"});
  command->Activate(nullptr, nullptr);
  EXPECT_TRUE(Shown(Panel));
  EXPECT_FALSE(Shown(ErrorBox));
  EXPECT_THROW(Hands().Acknowledge(ErrorBox), vexhost::Refused) << "a stale refusal cannot end the new panel";
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  Hands().PressOK(Panel);
  EXPECT_EQ(ProductAt("Hull/Block A").Children.size(), 2U);
  EXPECT_EQ(ProductAt("Hull/Block A").PartNumber, "BA-201");
  EXPECT_FALSE(Running());
}
