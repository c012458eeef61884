// The command's actions as a user meets them: choosing a class, OK, Cancel, the close box and
// the error box's OK, and what each does when the host fails it.
#include "TestSupport.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class Actions : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ASSERT_NE(Start(), nullptr);
  }
  vexhost::ProductData BlockA() { return ProductAt("Hull/Block A"); }
  bool OkOn() { return See(Panel).OKSensitive; }
  void ExpectNothingCreated() {
    EXPECT_EQ(BlockA().Children.size(), 1U);
    EXPECT_EQ(BlockA().PartNumber, "BA-200");
  }
  void ExpectEnded() {
    EXPECT_FALSE(Running());
    EXPECT_EQ(Host().CommandsEnded(), 1);
    EXPECT_EQ(Host().FindDialog(Panel), nullptr) << "the panel was destroyed with the command";
    EXPECT_FALSE(Host().BusyCursor());
  }
};

}  // namespace

TEST_F(Actions, CreatingWithAClassAndAPartNumberAddsTheInterimProductAndRenumbersTheActiveProduct) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  EXPECT_TRUE(OkOn());
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  const std::size_t mark = Journal().Size();
  Hands().PressOK(Panel);
  const auto block = BlockA();
  ASSERT_EQ(block.Children.size(), 2U);
  EXPECT_EQ(block.Children[1].Name, "Block 1");
  EXPECT_EQ(block.Children[1].InterimClass, "Block");
  EXPECT_EQ(block.Children[1].PartNumber, "") << "the new interim product receives nothing";
  EXPECT_EQ(block.PartNumber, "BA-201");
  EXPECT_THAT(
      Calls({"RunAction", "SetBusyCursor", "CreateInterimProduct", "GetLine", "QueryInterface", "SetPartNumber",
             "Release", "InitializeAcquisition"},
            mark),
      ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 4) -> true", "SetBusyCursor()",
                  "CreateInterimProduct(Block A.factory; \"Block\", extra=0, created=null) -> 0 [extra=0, created=set]",
                  "GetLine(editorpartnumber; -1, text=\" \") -> 1 [text=\"BA-201\"]",
                  "QueryInterface(Block A.factory; VexIProduct) -> 0", "SetPartNumber(Block A; \"BA-201\") -> 0",
                  "Release(Block A)", "Release(Block 1)", "InitializeAcquisition(PanelAgent)",
                  "InitializeAcquisition(ErrorBox)", "Release(Block A.factory)"));
  ExpectEnded();
}

TEST_F(Actions, WithTheEditorEmptiedTheProductIsNotAskedForAndKeepsItsPartNumber) {
  Hands().ChooseClass(Panel, ClassFrame, "Panel");
  Hands().Type(Panel, PartNumberEditor, "");
  Hands().PressOK(Panel);
  EXPECT_EQ(Journal().Count("QueryInterface", "Block A.factory"), 0);
  EXPECT_EQ(BlockA().PartNumber, "BA-200");
  ASSERT_EQ(BlockA().Children.size(), 2U);
  EXPECT_EQ(BlockA().Children[1].InterimClass, "Panel");
  EXPECT_THAT(Calls({"RunAction"}).back(), "RunAction(VexStrCreateInterimProdCmd; transition 4) -> true");
  ExpectEnded();
}

TEST_F(Actions, CancelCloseBoxAndErrorBoxOKEndTheCommandWithoutCreating) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().PressCancel(Panel);
  ExpectNothingCreated();
  ExpectEnded();
  EXPECT_THAT(Calls({"RunAction", "SetVisibility"}).back(), "SetVisibility(InterimProductPanel; 4)");

  Host().StartCommand(CommandName);
  Hands().CloseWindow(Panel);
  ExpectNothingCreated();
  EXPECT_FALSE(Running());

  Host().SetActivePath({"Hull", "Block B"});
  Host().StartCommand(CommandName);
  const std::size_t mark = Journal().Size();
  Hands().Acknowledge(ErrorBox);
  EXPECT_FALSE(Running());
  // The error box's OK hides the panel and leaves the error box to its destruction.
  EXPECT_THAT(Calls({"SetVisibility"}, mark), ElementsAre("SetVisibility(InterimProductPanel; 4)"));
  EXPECT_EQ(Host().CommandsEnded(), 3);
}

TEST_F(Actions, ChoosingAnEmptyClassTurnsOKOffAgainAndTheLastChoiceIsCreated) {
  EXPECT_FALSE(OkOn());
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  EXPECT_TRUE(OkOn());
  Hands().ChooseClass(Panel, ClassFrame, "");
  EXPECT_FALSE(OkOn());
  EXPECT_THROW(Hands().PressOK(Panel), vexhost::Refused);
  Hands().ChooseClass(Panel, ClassFrame, "A");  // one character is enough
  EXPECT_TRUE(OkOn());
  Hands().ChooseInBrowser(Panel, ClassFrame, "Assembly");
  EXPECT_EQ(Journal().Count("RunAction"), 4) << "every choice fires the self-loop again";
  EXPECT_TRUE(Running());
  Hands().PressOK(Panel);
  ASSERT_EQ(BlockA().Children.size(), 2U);
  EXPECT_EQ(BlockA().Children[1].InterimClass, "Assembly");
}

TEST_F(Actions, ARefusedCreationSetsNothingShowsNothingAndEndsTheCommand) {
  Hands().ChooseClass(Panel, ClassFrame, "Hatch");  // not in the catalogue
  Hands().Type(Panel, PartNumberEditor, "BA-999");
  Hands().PressOK(Panel);
  ExpectNothingCreated();
  EXPECT_EQ(Journal().Count("GetLine"), 0) << "the part number is not read";
  EXPECT_THAT(Calls({"RunAction"}).back(), "RunAction(VexStrCreateInterimProdCmd; transition 4) -> false");
  EXPECT_THAT(Calls({"InitializeAcquisition"}).back(), "InitializeAcquisition(ErrorBox)");
  EXPECT_EQ(Journal().Count("SetVisibility", ErrorBox), 0);
  ExpectEnded();
}

TEST_F(Actions, ASuccessWithoutAnObjectCountsAsAFailure) {
  Host().CancelRunningCommand();
  vexhost::DocumentData document = ShipDocument();
  document.Root.Children[0].Factory.CreateSucceedsWithoutObject = true;
  StartOn(document);
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-999");
  Hands().PressOK(Panel);
  ExpectNothingCreated();
  EXPECT_THAT(Calls({"RunAction"}).back(), "RunAction(VexStrCreateInterimProdCmd; transition 4) -> false");
  EXPECT_FALSE(Running());
}

TEST_F(Actions, APlannedSuccessWithoutAnObjectIsMetAsTheDocumentsOne) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-999");
  Faults().ReturnStatus("CreateInterimProduct", 1, 0);
  Hands().PressOK(Panel);
  ExpectNothingCreated();
  EXPECT_THAT(Calls({"CreateInterimProduct"}), ElementsAre(::testing::HasSubstr("-> 0 [extra=0, created=null]")));
  EXPECT_EQ(BlockA().PartNumber, "BA-200");
  EXPECT_THAT(Calls({"RunAction"}).back(), "RunAction(VexStrCreateInterimProdCmd; transition 4) -> false");
  EXPECT_FALSE(Running());
}

TEST_F(Actions, AHostErrorWhileHidingMakesCloseActionFalseAndStillEnds) {
  Faults().Raise("SetVisibility", 1, vexhost::ErrorKind::VexError, Panel);
  Hands().PressCancel(Panel);
  EXPECT_THAT(Calls({"RunAction"}), ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 2) -> false"));
  EXPECT_FALSE(Running());
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_FALSE(Host().Errors()[0].ReleasedByHandler) << "CloseAction leaves the error to the host";
}

TEST_F(Actions, AHostErrorWhileReadingTheClassLeavesItEmptyAndTheAgentWaitingAgain) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  ASSERT_TRUE(OkOn());
  Faults().Raise("GetSelectedClass", 1);
  const std::size_t mark = Journal().Size();
  Hands().ChooseClass(Panel, ClassFrame, "Panel");
  EXPECT_TRUE(OkOn()) << "OK is left as it was";
  EXPECT_THAT(Calls({"GetSelectedClass", "SetOKSensitivity", "IsAKindOf", "Release", "InitializeAcquisition"}, mark),
              ElementsAre("GetSelectedClass(frmClass)", "IsAKindOf(VexError; \"VexError\")", "Release(VexError)",
                          "InitializeAcquisition(SelectClassAgent)"));
  // The class was left empty: OK now asks the factory for an empty class, which it refuses.
  Hands().PressOK(Panel);
  EXPECT_THAT(
      Calls({"CreateInterimProduct"}),
      ElementsAre("CreateInterimProduct(Block A.factory; \"\", extra=0, created=null) -> -1 [extra=0, created=null]"));
  ExpectNothingCreated();
}

TEST_F(Actions, AVexErrorWhileSettingThePartNumberReleasesEverythingOnceAndRearmsNoAgent) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  Faults().Raise("SetPartNumber", 1, vexhost::ErrorKind::VexError);
  const std::size_t mark = Journal().Size();
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"SetPartNumber", "IsAKindOf", "Release", "InitializeAcquisition", "RunAction"}, mark),
              ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 4) -> false",
                          "SetPartNumber(Block A; \"BA-201\") -> raised VexError", "IsAKindOf(VexError; \"VexError\")",
                          "Release(Block A)", "Release(Block 1)", "Release(VexError)", "Release(Block A.factory)"));
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_TRUE(Host().Errors()[0].ReleasedByHandler);
  EXPECT_EQ(BlockA().Children.size(), 2U) << "the interim product was created before the failure";
  EXPECT_EQ(BlockA().PartNumber, "BA-200");
  EXPECT_FALSE(Running());
}

TEST_F(Actions, AnotherKindOfErrorWhileSettingThePartNumberStillReleasesWhatWasHeld) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  Faults().Raise("SetPartNumber", 1, vexhost::ErrorKind::SystemError);
  const std::size_t mark = Journal().Size();
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"IsAKindOf", "Release", "InitializeAcquisition"}, mark),
              ElementsAre("IsAKindOf(VexSystemError; \"VexError\")", "Release(Block A)", "Release(Block 1)",
                          "Release(Block A.factory)"));
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_FALSE(Host().Errors()[0].ReleasedByHandler) << "an error of another kind is the host's to release";
  EXPECT_FALSE(Running());
}

TEST_F(Actions, AnErrorWhileReleasingTheCreatedObjectKeepsTheSuccess) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Faults().Raise("Release", 1, vexhost::ErrorKind::VexError, "Block 1");
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"RunAction"}).back(), "RunAction(VexStrCreateInterimProdCmd; transition 4) -> true");
  EXPECT_EQ(Journal().Count("Release", "Block 1"), 1) << "released once, never twice";
  EXPECT_EQ(Journal().Count("InitializeAcquisition", "PanelAgent"), 1) << "only activation's";
  EXPECT_FALSE(Running());
}

TEST_F(Actions, OKWithoutAFactoryCreatesNothingButStillEnds) {
  Host().CancelRunningCommand();
  vexhost::DocumentData document = ShipDocument();
  document.Root.Children[0].Children[0].Factory.Present = false;
  VexStateCommand* command = StartOn(document);
  Host().SetActivePath({"Hull", "Block A", "Sub-block A1"});
  command->Activate(nullptr, nullptr);
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  const std::size_t mark = Journal().Size();
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"SetBusyCursor", "CreateInterimProduct", "InitializeAcquisition", "RunAction"}, mark),
              ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 4) -> false", "SetBusyCursor()",
                          "InitializeAcquisition(PanelAgent)", "InitializeAcquisition(ErrorBox)"));
  EXPECT_FALSE(Running());
  EXPECT_FALSE(Host().BusyCursor()) << "the host clears the busy cursor when the command ends";
}

TEST_F(Actions, APersonCannotTypeMoreThanThePartNumberEditorTakes) {
  const std::string longest(72, 'N');
  Hands().Type(Panel, PartNumberEditor, longest);
  EXPECT_THROW(Hands().Type(Panel, PartNumberEditor, std::string(1000000, 'N')), vexhost::Refused);
  EXPECT_THAT(See(Panel).Find(PartNumberEditor)->Lines, ElementsAre(longest)) << "a refused text changes nothing";
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().PressOK(Panel);
  EXPECT_EQ(BlockA().PartNumber, longest);
}

TEST_F(Actions, CancelCloseBoxAndErrorBoxOKEachCloseWithTrueAndMakeNoAgentWaitAgain) {
  std::size_t mark = Journal().Size();
  Hands().PressCancel(Panel);
  EXPECT_THAT(Calls({"RunAction", "InitializeAcquisition"}, mark),
              ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 2) -> true"));

  Host().StartCommand(CommandName);
  mark = Journal().Size();
  Hands().CloseWindow(Panel);
  EXPECT_THAT(Calls({"RunAction", "InitializeAcquisition"}, mark),
              ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 3) -> true"));

  Host().SetActivePath({"Hull", "Block B"});
  Host().StartCommand(CommandName);
  mark = Journal().Size();
  Hands().Acknowledge(ErrorBox);
  EXPECT_THAT(Calls({"RunAction", "InitializeAcquisition"}, mark),
              ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 1) -> true"));
  EXPECT_FALSE(Running());
}

TEST_F(Actions, OKWithoutTypingWritesThePreFilledPartNumberBackToTheActiveProduct) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"SetPartNumber"}), ElementsAre("SetPartNumber(Block A; \"BA-200\") -> 0"));
  EXPECT_EQ(BlockA().PartNumber, "BA-200");
  EXPECT_EQ(BlockA().Children.size(), 2U);
  ExpectEnded();
}

TEST_F(Actions, ASystemErrorWhileReadingTheClassIsLeftToTheHostAndTheAgentWaitsAgain) {
  Faults().Raise("GetSelectedClass", 1, vexhost::ErrorKind::SystemError);
  const std::size_t mark = Journal().Size();
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  EXPECT_THAT(Calls({"RunAction", "IsAKindOf", "Release", "SetOKSensitivity", "InitializeAcquisition"}, mark),
              ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 5) -> false",
                          "IsAKindOf(VexSystemError; \"VexError\")", "InitializeAcquisition(SelectClassAgent)"));
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_EQ(Host().Errors()[0].Kind, "VexSystemError");
  EXPECT_FALSE(Host().Errors()[0].ReleasedByHandler);
  EXPECT_FALSE(Host().Errors()[0].Escaped);
  EXPECT_FALSE(OkOn());
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  EXPECT_TRUE(OkOn()) << "the next choice is heard";
  Hands().PressCancel(Panel);
}

TEST_F(Actions, ASecondErrorWhileReleasingTheFirstStillLetsTheNextClassChoiceThrough) {
  Faults().Raise("GetSelectedClass", 1);
  Faults().Raise("Release", 1, vexhost::ErrorKind::VexError, "VexError");
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  EXPECT_THAT(Calls({"RunAction"}), ElementsAre("RunAction(VexStrCreateInterimProdCmd; transition 5) -> false"));
  ASSERT_EQ(Host().Errors().size(), 2U);
  EXPECT_FALSE(Host().Errors()[0].Escaped);
  EXPECT_FALSE(Host().Errors()[1].Escaped);
  EXPECT_TRUE(Host().Errors()[1].ReleasedByHandler) << "the first error was released once";
  Hands().ChooseClass(Panel, ClassFrame, "Assembly");
  EXPECT_TRUE(OkOn());
  Hands().PressOK(Panel);
  ASSERT_EQ(BlockA().Children.size(), 2U);
  EXPECT_EQ(BlockA().Children[1].InterimClass, "Assembly");
}

TEST_F(Actions, ASecondErrorWhileReleasingTheFirstInCreateActionEndsItWithFalse) {
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  Faults().Raise("SetPartNumber", 1);
  Faults().Raise("Release", 1, vexhost::ErrorKind::VexError, "VexError");
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"RunAction"}).back(), "RunAction(VexStrCreateInterimProdCmd; transition 4) -> false");
  ASSERT_EQ(Host().Errors().size(), 2U);
  EXPECT_FALSE(Host().Errors()[0].Escaped);
  EXPECT_FALSE(Host().Errors()[1].Escaped);
  EXPECT_EQ(Journal().Count("Release", "Block 1"), 1);
  EXPECT_EQ(BlockA().PartNumber, "BA-200");
  ExpectEnded();
}
