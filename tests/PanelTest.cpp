// The panel: its widgets, their settings and layout, its titles, and what Build does when the
// host fails it.
#include "TestSupport.h"

#include "vex/StateCommand.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class PanelBuild : public HostTest {
 protected:
  static std::vector<std::string> Names(const vexhost::WidgetView& view) {
    std::vector<std::string> names;
    for (const auto& child : view.Children) names.push_back(child.Name);
    return names;
  }
};

const std::vector<std::string> FifteenAttachments{
    "SetVerticalAttachment(InterimProductPanel; 0, 1, frmClass, null)",
    "SetVerticalAttachment(InterimProductPanel; 0, 1, VexStrIPFrame2, null)",
    "SetVerticalAttachment(InterimProductPanel; 0, 1, Separator1, null)",
    "SetVerticalAttachment(InterimProductPanel; 5, 4, Separator1, null)",
    "SetVerticalAttachment(InterimProductPanel; 0, 1, FrmIPType, null)",
    "SetHorizontalAttachment(InterimProductPanel; 0, 5, frmClass, null)",
    "SetHorizontalAttachment(InterimProductPanel; 5, 5, VexStrIPFrame2, null)",
    "SetHorizontalAttachment(InterimProductPanel; 10, 5, Separator1, null)",
    "SetHorizontalAttachment(InterimProductPanel; 15, 5, FrmIPType, null)",
    "SetVerticalAttachment(VexStrIPFrame2; 0, 1, labelpartnumber, null)",
    "SetVerticalAttachment(VexStrIPFrame2; 5, 1, editorpartnumber, null)",
    "SetHorizontalAttachment(VexStrIPFrame2; 5, 5, labelpartnumber, editorpartnumber, null)",
    "SetVerticalAttachment(FrmIPType; 0, 1, LabelIPLevel, null)",
    "SetVerticalAttachment(FrmIPType; 5, 1, ComboIPLevel, null)",
    "SetHorizontalAttachment(FrmIPType; 0, 5, LabelIPLevel, ComboIPLevel, null)"};

}  // namespace

TEST_F(PanelBuild, BuildCreatesTheWidgetTreeWithItsTitlesSizesAndSensitivities) {
  Start();
  const auto panel = See(Panel);
  EXPECT_EQ(panel.Style, 0x1040C00U);
  EXPECT_EQ(panel.Title, "Create Interim Product");
  EXPECT_FALSE(panel.OKSensitive);
  EXPECT_THAT(Names(panel), ElementsAre("VexStrIPFrame2", "frmClass", "Separator1", "FrmIPType"));

  const auto* partFrame = panel.Find("VexStrIPFrame2");
  EXPECT_EQ(partFrame->Class, "VexDlgFrame");
  EXPECT_EQ(partFrame->Style, 0xC0000U);
  EXPECT_THAT(Names(*partFrame), ElementsAre("labelpartnumber", "editorpartnumber"));
  EXPECT_EQ(panel.Find("labelpartnumber")->Title, "Part number:");
  EXPECT_EQ(panel.Find("labelpartnumber")->Style, 0U);
  const auto* editor = panel.Find("editorpartnumber");
  EXPECT_EQ(editor->Style, 0U);
  EXPECT_EQ(editor->VisibleTextHeight, 1);
  EXPECT_EQ(editor->MaxCharacterWidth, 72);
  EXPECT_EQ(editor->VisibleTextWidth, 24);

  const auto* classFrame = panel.Find(ClassFrame);
  EXPECT_EQ(classFrame->Class, "VexStrObjectClassFrame");
  EXPECT_EQ(classFrame->Style, 0xC0000U);
  const auto* classEditor = classFrame->Find("ClassEditor");
  EXPECT_EQ(classEditor->MaxCharacterWidth, 72);
  EXPECT_EQ(classEditor->VisibleTextWidth, 24);
  EXPECT_EQ(classEditor->VisibleTextHeight, 0);

  EXPECT_EQ(panel.Find("Separator1")->Style, 0x40000U);
  const auto* levelFrame = panel.Find("FrmIPType");
  EXPECT_THAT(Names(*levelFrame), ElementsAre("LabelIPLevel", "ComboIPLevel"));
  EXPECT_EQ(panel.Find("LabelIPLevel")->Title, "Level:");
  EXPECT_EQ(panel.Find("LabelIPLevel")->Style, 0U);
  EXPECT_EQ(levelFrame->Style, 0xC0000U);
  const auto* combo = panel.Find("ComboIPLevel");
  EXPECT_EQ(combo->Style, 0x40000U);
  EXPECT_THAT(combo->Lines, ElementsAre("2"));
  EXPECT_EQ(combo->Shown, 0);
  EXPECT_FALSE(combo->Sensitive);
  EXPECT_THAT(Calls({"SetLine"}).front(), "SetLine(ComboIPLevel; \"2\", 64, 64)");
  // The editors are sized height first, then the width they take, then the width they show.
  EXPECT_THAT(Calls({"SetVisibleTextHeight", "SetMaxCharacterWidth", "SetVisibleTextWidth"}),
              ElementsAre("SetVisibleTextHeight(editorpartnumber; 1)", "SetMaxCharacterWidth(editorpartnumber; 72)",
                          "SetVisibleTextWidth(editorpartnumber; 24)", "SetMaxCharacterWidth(ClassEditor; 72)",
                          "SetVisibleTextWidth(ClassEditor; 24)"));
  Host().CancelRunningCommand();
}

TEST_F(PanelBuild, TheFifteenAttachmentsAreMadeInOrder) {
  Start();
  EXPECT_EQ(Calls({"SetVerticalAttachment", "SetHorizontalAttachment"}), FifteenAttachments);
  Host().CancelRunningCommand();
}

TEST_F(PanelBuild, WithoutResourceTextsThePanelKeepsItsTitleAndTheLabelsShowTheirKeys) {
  Reopen(vexhost::SessionOptions{});
  Start();
  EXPECT_EQ(Journal().Count("SetTitle", Panel), 0);
  EXPECT_THAT(Calls({"SetTitle"}),
              ElementsAre("SetTitle(labelpartnumber; \"LabelPartNumber\")", "SetTitle(LabelIPLevel; \"IPLevel\")"));
  Host().CancelRunningCommand();
}

TEST_F(PanelBuild, ALookupPlannedToFindNoTextIsMetAsAResourceFileWithoutThatKey) {
  // Only the title's lookup finds nothing: the labels still get their texts.
  Faults().ReturnStatus("GetResourceValueFromKey", 1, 0, Panel);
  Start();
  EXPECT_EQ(Journal().Count("SetTitle", Panel), 0);
  EXPECT_EQ(Journal().Count("GetResourceFilename", Panel), 2) << "the first lookup asked no file";
  EXPECT_EQ(See(Panel).Find("labelpartnumber")->Title, "Part number:");
  Host().CancelRunningCommand();
}

TEST_F(PanelBuild, AClassFrameWithoutAnEditorLetsBuildGoOnWithTheSeparator) {
  const int nth = AllocationOf("VexDlgEditor", "ClassEditor");  // a dry run in a session of its own
  Faults().FailAllocation(nth);
  Start();
  const auto panel = See(Panel);
  EXPECT_EQ(panel.Find("ClassEditor"), nullptr);
  EXPECT_NE(panel.Find("ClassBrowser"), nullptr);
  EXPECT_NE(panel.Find("Separator1"), nullptr);
  EXPECT_EQ(Calls({"SetVerticalAttachment", "SetHorizontalAttachment"}), FifteenAttachments);
  EXPECT_FALSE(panel.OKSensitive);
  Host().CancelRunningCommand();
}

TEST_F(PanelBuild, AWidgetThatCannotBeAllocatedIsLeftOutWithItsChildrenAndTheRestIsBuilt) {
  const int nth = AllocationOf("VexDlgFrame", "VexStrIPFrame2");  // a dry run in a session of its own
  Faults().FailAllocation(nth);
  Start();
  const auto panel = See(Panel);
  EXPECT_THAT(Names(panel), ElementsAre("frmClass", "Separator1", "FrmIPType"));
  EXPECT_EQ(Journal().Count("VexDlgLabel", "labelpartnumber"), 0);
  const auto attachments = Calls({"SetVerticalAttachment", "SetHorizontalAttachment"});
  EXPECT_EQ(attachments.size(), 12U) << "the part-number frame's own three are skipped";
  EXPECT_EQ(attachments[1], "SetVerticalAttachment(InterimProductPanel; 0, 1, null, null)");
  EXPECT_FALSE(panel.OKSensitive);
  // No part-number editor: the part number is neither shown nor read.
  EXPECT_EQ(Journal().Count("SetLine", PartNumberEditor), 0);
  Hands().PressCancel(Panel);
  EXPECT_FALSE(Running());
}

TEST_F(PanelBuild, AHostErrorInBuildStopsItThereAndLeavesOKAsItWas) {
  Faults().Raise("SetVisibleTextHeight", 1);
  Start();
  const auto panel = See(Panel);
  EXPECT_THAT(Names(panel), ElementsAre("VexStrIPFrame2"));
  EXPECT_THAT(Calls({"SetVerticalAttachment", "SetHorizontalAttachment", "SetOKSensitivity"}), IsEmpty());
  EXPECT_TRUE(panel.OKSensitive);
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_FALSE(Host().Errors()[0].Escaped);
  Hands().PressCancel(Panel);
}

TEST_F(PanelBuild, DestroyingThePanelDropsItsThreeCallbacksInOrder) {
  Start();
  const std::size_t mark = Journal().Size();
  Hands().PressCancel(Panel);
  EXPECT_THAT(
      Calls({"RemoveAnalyseNotificationCB"}, mark),
      ElementsAre(
          "RemoveAnalyseNotificationCB(InterimProductPanel; InterimProductPanel, InterimProductPanel.OK, null)",
          "RemoveAnalyseNotificationCB(InterimProductPanel; InterimProductPanel, InterimProductPanel.Cancel, null)",
          "RemoveAnalyseNotificationCB(InterimProductPanel; InterimProductPanel, InterimProductPanel.WindowClose, "
          "null)"));
}

TEST_F(PanelBuild, ASecondBuildHidesAndHandsOverTheFirstSetSoThatOneSetRemains) {
  VexStateCommand* command = Start();
  const std::size_t mark = Journal().Size();
  command->Activate(nullptr, nullptr);
  const std::vector<std::string> firstSetGoes{
      "RequestDelayedDestruction(VexStrIPFrame2)", "SetVisibility(VexStrIPFrame2; 4)",
      "RequestDelayedDestruction(frmClass)",       "SetVisibility(frmClass; 4)",
      "RequestDelayedDestruction(Separator1)",     "SetVisibility(Separator1; 4)",
      "RequestDelayedDestruction(FrmIPType)",      "SetVisibility(FrmIPType; 4)"};
  const auto calls = Calls({"RequestDelayedDestruction", "SetVisibility", "GetResourceValueFromKey"}, mark);
  ASSERT_GE(calls.size(), firstSetGoes.size());
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 8), firstSetGoes) << "before the new set is made";
  // Until the host destroys the first set, it is hidden; the accessors reach the second.
  auto panel = See(Panel);
  EXPECT_THAT(Names(panel), ElementsAre("VexStrIPFrame2", "frmClass", "Separator1", "FrmIPType", "VexStrIPFrame2",
                                        "frmClass", "Separator1", "FrmIPType"));
  for (std::size_t i = 0; i < 4; ++i) EXPECT_FALSE(panel.Children[i].Visible) << panel.Children[i].Name;
  EXPECT_THAT(panel.Children[4].Children[1].Lines, ElementsAre("BA-200"));
  Hands().ChooseClass(Panel, ClassFrame, "Block");  // the host runs delayed destructions after the event
  panel = See(Panel);
  EXPECT_THAT(Names(panel), ElementsAre("VexStrIPFrame2", "frmClass", "Separator1", "FrmIPType"));
  EXPECT_TRUE(panel.OKSensitive) << "the class was chosen in the set that remains";
  Host().CancelRunningCommand();
}

TEST_F(PanelBuild, ASecondBuildStoppedPartWayReadsNothingOfTheFirstSet) {
  VexStateCommand* command = Start();
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Faults().Raise("VexDlgFrame", 1, vexhost::ErrorKind::VexError, "VexStrIPFrame2");  // the second set's
  command->Activate(nullptr, nullptr);
  EXPECT_FALSE(See(Panel).Find("VexStrIPFrame2")->Visible) << "only the first set's part-number row is left, hidden";
  EXPECT_EQ(Journal().Count("SetLine", PartNumberEditor), 1) << "only the first activation filled an editor";
  Hands().PressOK(Panel);  // OK was left on: the stopped Build never turned it off
  const auto block = ProductAt("Hull/Block A");
  EXPECT_EQ(block.Children.size(), 2U);
  EXPECT_EQ(Journal().Count("GetLine"), 0) << "no part number is read from a widget on its way out";
  EXPECT_EQ(Journal().Count("SetPartNumber"), 0);
}

TEST_F(PanelBuild, WithoutAPartNumberEditorOKCreatesAndWritesNoPartNumber) {
  const int nth = AllocationOf("VexDlgEditor", PartNumberEditor);  // a dry run in a session of its own
  Faults().FailAllocation(nth);
  Start();
  ASSERT_EQ(See(Panel).Find(PartNumberEditor), nullptr);
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().PressOK(Panel);
  const auto block = ProductAt("Hull/Block A");
  EXPECT_EQ(block.Children.size(), 2U);
  EXPECT_EQ(block.PartNumber, "BA-200");
  EXPECT_EQ(Journal().Count("SetPartNumber"), 0);
  EXPECT_EQ(Journal().Count("GetLine"), 0);
}

TEST_F(PanelBuild, AMissingLabelLeavesItsRowWithTheEditorOrTheCombo) {
  const int partNumberLabel = AllocationOf("VexDlgLabel", "labelpartnumber");
  const int levelLabel = AllocationOf("VexDlgLabel", "LabelIPLevel");
  Faults().FailAllocation(partNumberLabel);
  Faults().FailAllocation(levelLabel);
  Start();
  const auto panel = See(Panel);
  EXPECT_EQ(panel.Find("labelpartnumber"), nullptr);
  EXPECT_EQ(panel.Find("LabelIPLevel"), nullptr);
  EXPECT_THAT(Calls({"SetHorizontalAttachment"}),
              ::testing::IsSupersetOf({"SetHorizontalAttachment(VexStrIPFrame2; 5, 5, editorpartnumber, null)",
                                       "SetHorizontalAttachment(FrmIPType; 0, 5, ComboIPLevel, null)"}));
  // What the host lays out: each row still holds the widget that exists.
  const auto rowOf = [&](const std::string& frame) {
    for (const auto& attachment : panel.Find(frame)->Attachments) {
      if (attachment.Operation == "SetHorizontalAttachment") return attachment.Widgets;
    }
    return std::vector<std::string>{};
  };
  EXPECT_THAT(rowOf("VexStrIPFrame2"), ElementsAre("editorpartnumber"));
  EXPECT_THAT(rowOf("FrmIPType"), ElementsAre("ComboIPLevel"));
  EXPECT_THAT(panel.Find(PartNumberEditor)->Lines, ElementsAre("BA-200"));
  Hands().PressCancel(Panel);
}

TEST_F(PanelBuild, APanelNeverBuiltStillDropsItsThreeCallbacks) {
  vexhost::DocumentData document = ShipDocument();
  document.ActivePath = std::vector<std::string>{"Hull", "Block B"};
  ASSERT_NE(StartOn(document), nullptr);
  ASSERT_THAT(See(Panel).Children, IsEmpty());
  const std::size_t mark = Journal().Size();
  Hands().Acknowledge(ErrorBox);
  EXPECT_EQ(Calls({"RemoveAnalyseNotificationCB"}, mark).size(), 3U);
}

TEST_F(PanelBuild, AHostErrorWhileDroppingOneCallbackStillDropsTheOthers) {
  Start();
  Faults().Raise("RemoveAnalyseNotificationCB", 1);
  const std::size_t mark = Journal().Size();
  Hands().PressCancel(Panel);
  EXPECT_THAT(
      Calls({"RemoveAnalyseNotificationCB"}, mark),
      ElementsAre(
          "RemoveAnalyseNotificationCB(InterimProductPanel; InterimProductPanel, InterimProductPanel.OK, null)",
          "RemoveAnalyseNotificationCB(InterimProductPanel; InterimProductPanel, InterimProductPanel.Cancel, null)",
          "RemoveAnalyseNotificationCB(InterimProductPanel; InterimProductPanel, InterimProductPanel.WindowClose, "
          "null)"));
  ASSERT_EQ(Host().Errors().size(), 1U) << "the first removal raised";
  EXPECT_FALSE(Host().Errors()[0].Escaped);
}
