// Activation: what the user sees when the command starts, for each kind of active product.
#include "TestSupport.h"

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
  std::vector<std::string> PartNumberLines() { return See(Panel).Find(PartNumberEditor)->Lines; }
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
      ElementsAre("SetVisibility(InterimProductPanel; 4)", "GetClassSettings(Block A.factory; first=\"\", second=\"\") -> 0 [first=\"SubBlock\", second=\"BlockFamily\"]",
                  "VexStrObjectClassFrame(frmClass; InterimProductPanel, \"frmClass\", \"BlockFamily\", \"SubBlock\", 786432)",
                  "SetLine(ComboIPLevel; \"2\", 64, 64)", "SetSensitivity(ComboIPLevel; 16)",
                  "SetClassObject(frmClass; \"SubBlock\")", "SetVisibility(InterimProductPanel; 2)",
                  "IsBrowserAllowed(Block A.factory; allowed=0) -> 0 [allowed=1]", "SetSensitivity(ClassBrowser; 8)", "GetPartNumber(Block A)",
                  "ClearLine(editorpartnumber; -1)", "SetLine(editorpartnumber; \"BA-200\", -1)"));
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
  VexStateCommand* command = StartOn(
      WithBlockA([](vexhost::ProductData& block) { block.Children[0].Factory.Present = false; }));
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
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_TRUE(Host().Errors()[0].Escaped);
  EXPECT_EQ(Host().Errors()[0].Where, "Activate");
  const auto& entries = Journal().Entries();
  std::vector<std::string> tail;
  for (std::size_t i = entries.size() - 3; i < entries.size(); ++i) tail.push_back(entries[i].Text());
  EXPECT_THAT(tail, ElementsAre("GetClassSettings(Block A.factory; first=\"\", second=\"\") -> raised VexError", "~VexIProduct_var(Block A)", "~VexPathElement()"));
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
