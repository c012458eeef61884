// The checks that serve any module's dialogs: what a person meets of a window or widget, the
// `expect` lines that read it, the verbs an unknown line is told about, and the greying of what an
// insensitive window or frame holds, in the text and the SVG.
#include <gtest/gtest.h>

#include <sstream>

#include "drive/Action.h"
#include "drive/DefaultDocument.h"
#include "drive/Desk.h"
#include "drive/Drawing.h"
#include "drive/Errors.h"
#include "drive/Layout.h"
#include "drive/Script.h"
#include "drive/Sight.h"
#include "drive/Svg.h"
#include "drive/tests/TestProfile.h"
#include "vex/Dialogs.h"
#include "vexhost/Session.h"

namespace {

using vexhost::WidgetView;

WidgetView Widget(std::string hostClass, std::string name, std::string title = {}) {
  WidgetView widget;
  widget.Class = std::move(hostClass);
  widget.Name = std::move(name);
  widget.Title = std::move(title);
  return widget;
}

// A dialog "Dialog" titled "T" holding a frame "f" with an editor "e" and a label "l".
WidgetView FormDialog() {
  WidgetView editor = Widget("VexDlgEditor", "e");
  editor.Lines = {"one", "two"};
  editor.VisibleTextWidth = 6;
  WidgetView frame = Widget("VexDlgFrame", "f", "Frame");
  frame.Children = {editor, Widget("VexDlgLabel", "l", "Label:")};
  WidgetView dialog = Widget("VexDlgDialog", "Dialog", "T");
  dialog.HasOK = true;
  dialog.Children = {frame, Widget("VexDlgPushButton", "go")};
  return dialog;
}

TEST(Sight, AWidgetIsMetAsWhatHoldsItMakesIt) {
  WidgetView dialog = FormDialog();
  auto editor = vexdrive::Meet(dialog, "e");
  ASSERT_TRUE(editor);
  EXPECT_TRUE(editor->Shown);
  EXPECT_TRUE(editor->Sensitive);
  EXPECT_EQ(editor->Text, "one\ntwo");
  EXPECT_EQ(editor->Title, "e") << "without a title of its own, a person reads its name";
  EXPECT_EQ(vexdrive::Meet(dialog, "l")->Text, "Label:");
  EXPECT_FALSE(vexdrive::Meet(dialog, "go")->Text) << "a button holds no text";
  EXPECT_FALSE(vexdrive::Meet(dialog, {})->Text) << "nor does a dialog";
  EXPECT_EQ(vexdrive::Meet(dialog, {})->Title, "T");
  EXPECT_FALSE(vexdrive::Meet(dialog, "nothing"));

  dialog.Children[0].Sensitive = false;
  dialog.Children[0].Children[0].Visible = false;
  editor = vexdrive::Meet(dialog, "e");
  EXPECT_FALSE(editor->Sensitive);
  EXPECT_EQ(editor->GreyedBy, "f");
  EXPECT_FALSE(editor->Shown);
  EXPECT_EQ(vexdrive::Meet(dialog, "f")->GreyedBy, "") << "insensitive itself, not greyed by another";

  dialog.Children[0].Sensitive = true;
  dialog.Visible = false;
  dialog.Sensitive = false;
  EXPECT_FALSE(vexdrive::Meet(dialog, "l")->Shown) << "nothing in a hidden window is shown";
  EXPECT_EQ(vexdrive::Meet(dialog, "l")->GreyedBy, "Dialog");
  const auto ok = vexdrive::Meet(dialog, "OK");
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->Kind, "button");
  EXPECT_FALSE(ok->Sensitive);
  EXPECT_EQ(ok->GreyedBy, "Dialog");
  EXPECT_EQ(vexdrive::WidgetNames(dialog), (std::vector<std::string>{"f", "e", "l", "go", "OK", "Cancel"}));
}

TEST(Sight, AMessageBoxHasItsTextAndOnlyOK) {
  WidgetView box = Widget("VexDlgNotify", "Box");
  box.HasOK = true;
  box.Lines = {"Cannot"};
  EXPECT_TRUE(vexdrive::IsMessageBox(box));
  EXPECT_EQ(vexdrive::Meet(box, {})->Text, "Cannot");
  EXPECT_EQ(vexdrive::Meet(box, {})->Kind, "message box");
  EXPECT_TRUE(vexdrive::Meet(box, "OK"));
  EXPECT_FALSE(vexdrive::Meet(box, "Cancel"));
  EXPECT_EQ(vexdrive::WidgetNames(box), std::vector<std::string>{"OK"});
}

TEST(Sight, AnAddressSplitsAtItsFirstSlash) {
  EXPECT_EQ(vexdrive::ParseAddress("D").Widget, "");
  EXPECT_EQ(vexdrive::ParseAddress("D/a/b").Widget, "a/b");
  EXPECT_THROW(vexdrive::ParseAddress("/W"), vexdrive::LineError);
  EXPECT_THROW(vexdrive::ParseAddress("D/"), vexdrive::LineError);
}

TEST(Layout, AnInsensitiveWindowOrFrameGreysAllItHolds) {
  WidgetView dialog = FormDialog();
  dialog.Children[0].Sensitive = false;
  EXPECT_EQ(vexdrive::DrawText(vexdrive::LayOut({dialog})),
            "+= T ========================+\n"
            "| +- (Frame) ---------+ {go} |\n"
            "| | (one   ) (Label:) |      |\n"
            "| +-------------------+      |\n"
            "|              [OK] [Cancel] |\n"
            "+============================+\n")
      << "the frame greys its editor and label, not the button beside it";
  dialog.Children[0].Sensitive = true;
  dialog.Sensitive = false;
  const vexdrive::Picture picture = vexdrive::LayOut({dialog});
  for (const auto& box : picture.Boxes) EXPECT_FALSE(box.Sensitive) << box.Name;
  EXPECT_EQ(vexdrive::DrawText(picture).find('['), std::string::npos) << vexdrive::DrawText(picture);
  const std::string svg = vexdrive::DrawSvg(picture);
  EXPECT_EQ(svg.find("fill=\"#1d1d1d\""), std::string::npos) << "no text in full ink: " << svg;
}

// A session with dialogs made as a module makes them, checked by script lines.
class Checks : public ::testing::Test {
 protected:
  void SetUp() override {
    _Session.OpenDocument(vexdrive::DefaultDocument());
    _Dialog = new VexDlgDialog(nullptr, "Form", 0);
    _Frame = new VexDlgFrame(_Dialog, "frame", 0);
    _Editor = new VexDlgEditor(_Frame, "editor", 0);
    _Label = new VexDlgLabel(_Dialog, "label", 0);
    _Label->SetTitle("Name:");
    _Editor->SetLine("BA 1", -1);
    _Dialog->SetVisibility(VexDlgShow);
    _Box = new VexDlgNotify(nullptr, "Note", 0);
    _Box->SetText("It is done.");
  }
  void TearDown() override {
    delete _Dialog;
    delete _Box;
  }

  // What the script printed for the lines, or its error, after "!".
  std::string Run(const std::string& lines, const vexdrive::Profile* profile = &vexdrive::testing::FormProfile()) {
    std::ostringstream out;
    std::ostringstream err;
    vexdrive::Script script(_Desk, out, err, false, profile);
    std::istringstream in(lines);
    script.Run(in, "checks.vex");
    return out.str() + (err.str().empty() ? "" : "!" + err.str());
  }

  // The same for one action done as the page does it.
  std::string Act(const vexdrive::Action& action) {
    std::ostringstream out;
    std::ostringstream err;
    vexdrive::Script script(_Desk, out, err, false, &vexdrive::testing::FormProfile());
    script.Act(action, "checks.vex");
    return out.str() + (err.str().empty() ? "" : "!" + err.str());
  }

  vexhost::Session _Session;
  vexdrive::Desk _Desk{_Session};
  VexDlgDialog* _Dialog = nullptr;  // owns its widgets
  VexDlgFrame* _Frame = nullptr;
  VexDlgEditor* _Editor = nullptr;
  VexDlgLabel* _Label = nullptr;
  VexDlgNotify* _Box = nullptr;
};

TEST_F(Checks, TextsAreComparedExactly) {
  EXPECT_EQ(
      Run("expect text Form/editor \"BA 1\"\n"
          "expect text Form/editor BA 1\n"
          "expect text Form/editor BA\n"
          "expect text Form/label Name:\n"
          "expect text Note \"It is done.\"\n"
          "expect text Form \"\"\n"
          "expect text Form/frame x\n"),
      "> expect text Form/editor \"BA 1\"\n  passed\n"
      "> expect text Form/editor BA 1\n  passed\n"
      "> expect text Form/editor BA\n  FAILED: expected text of 'Form/editor' \"BA\"; found text of 'Form/editor' \"BA "
      "1\"\n"
      "> expect text Form/label Name:\n  passed\n"
      "> expect text Note \"It is done.\"\n  passed\n"
      "> expect text Form \"\"\n  FAILED: expected text of 'Form' \"\"; found 'Form' is a dialog, which holds no text "
      "(name one of its widgets: DIALOG/WIDGET)\n"
      "> expect text Form/frame x\n  FAILED: expected text of 'Form/frame' \"x\"; found 'Form/frame' is a VexDlgFrame, "
      "which holds no text (expect title reads its title)\n");
}

TEST_F(Checks, AWrongNameListsTheDialogsOrWidgetsThereAre) {
  EXPECT_EQ(Run("expect text Fomr/editor x\nexpect sensitive Form/edtior on\n"),
            "> expect text Fomr/editor x\n  FAILED: expected text of 'Fomr/editor' \"x\"; found no dialog named 'Fomr' "
            "is open (open: 'Form', 'Note')\n"
            "> expect sensitive Form/edtior on\n  FAILED: expected 'Form/edtior' on; found 'Form' has no widget named "
            "'edtior' (it has: frame, editor, label, OK, Cancel)\n");
}

TEST_F(Checks, SensitivityIsAsAPersonMeetsIt) {
  _Frame->SetSensitivity(VexDlgInsensitive);
  _Dialog->SetOKSensitivity(VexDlgInsensitive);
  EXPECT_EQ(
      Run("expect sensitive Form/editor off\nexpect sensitive Form/editor on\nexpect sensitive Form/label on\n"
          "expect sensitive Form/OK off\nexpect sensitive Form/Cancel on\nexpect sensitive Form on\n"),
      "> expect sensitive Form/editor off\n  passed\n"
      "> expect sensitive Form/editor on\n  FAILED: expected 'Form/editor' on; found 'Form/editor' off (greyed out "
      "by 'frame')\n"
      "> expect sensitive Form/label on\n  passed\n"
      "> expect sensitive Form/OK off\n  passed\n"
      "> expect sensitive Form/Cancel on\n  passed\n"
      "> expect sensitive Form on\n  passed\n");
  _Frame->SetSensitivity(VexDlgSensitive);
  _Dialog->SetSensitivity(VexDlgInsensitive);
  EXPECT_EQ(Run("expect sensitive Form/Cancel off\nexpect sensitive Form/label off\n"),
            "> expect sensitive Form/Cancel off\n  passed\n> expect sensitive Form/label off\n  passed\n");
}

TEST_F(Checks, WidgetsAreShownHiddenOrAbsent) {
  _Frame->SetVisibility(VexDlgHide);
  EXPECT_EQ(Run("expect widget Form/label shown\nexpect widget Form/editor hidden\nexpect widget Form/nothing absent\n"
                "expect widget Note/OK hidden\nexpect widget Gone/x absent\nexpect widget Form/label hidden\n"),
            "> expect widget Form/label shown\n  passed\n"
            "> expect widget Form/editor hidden\n  passed\n"
            "> expect widget Form/nothing absent\n  passed\n"
            "> expect widget Note/OK hidden\n  passed\n"
            "> expect widget Gone/x absent\n  passed\n"
            "> expect widget Form/label hidden\n  FAILED: expected 'Form/label' hidden; found 'Form/label' shown\n");
}

TEST_F(Checks, TitlesAreTheTitleSetElseTheName) {
  _Dialog->SetTitle("A form");
  EXPECT_EQ(Run("expect title Form \"A form\"\nexpect title Form/editor editor\nexpect title Form/OK OK\n"
                "expect title Note Note\n"),
            "> expect title Form \"A form\"\n  passed\n> expect title Form/editor editor\n  passed\n"
            "> expect title Form/OK OK\n  passed\n> expect title Note Note\n  passed\n");
}

TEST_F(Checks, MisuseIsRefusedWithTheFormThatWasMeant) {
  for (const char* line : {"expect editor Form/editor BA 1", "expect error Note/OK It is done.",
                           "expect text Form/editor", "expect text /editor x", "expect sensitive Form/editor maybe",
                           "expect widget Form shown", "expect widget Form/editor there", "expect title Form"}) {
    const std::string said = Run(std::string(line) + "\n");
    EXPECT_NE(said.find("!checks.vex: line 1: "), std::string::npos) << line << ": " << said;
  }
  EXPECT_NE(
      Run("expect editor Form/editor BA 1\n").find("for any dialog's text write expect text DIALOG[/WIDGET] TEXT"),
      std::string::npos);
  EXPECT_NE(Run("expect editor \"A/B 1\"\n").find("FAILED"), std::string::npos) << "a quoted text is compared";
}

TEST_F(Checks, AnUnknownCommandIsToldEveryVerb) {
  const std::string said = Run("frobnicate\n");
  for (const char* verb : {"start", "class", "partnumber", "ok", "ack", "expect", "quit", "press", "type", "choose",
                           "acknowledge", "interrupt", "fault"}) {
    const bool listed = said.find(std::string(" ") + verb + ",") != std::string::npos ||
                        said.find(std::string(" ") + verb + ")") != std::string::npos;
    EXPECT_TRUE(listed) << verb << ": " << said;
  }
  EXPECT_EQ(said.find(", press, "), said.rfind(", press, ")) << "each verb once";
}

TEST_F(Checks, AnActionDoneDirectlyIsReportedAsItsLineWouldBe) {
  _Dialog->SetOKSensitivity(VexDlgInsensitive);
  EXPECT_EQ(Act(vexdrive::Action::Press("Form", "Help")), Run("press Form/Help\n"));
  EXPECT_EQ(Act(vexdrive::Action::Press("Form", "OK")), Run("press Form/OK\n"));
  EXPECT_NE(Act(vexdrive::Action::Press("Form", "OK")).find("!checks.vex: line 1: press: "), std::string::npos);
  const vexdrive::Action shortOk =
      *vexdrive::ParseAction(*vexdrive::ParseLine("ok", 1), &vexdrive::testing::FormProfile());
  EXPECT_EQ(Act(shortOk), Run("ok\n"));
  EXPECT_NE(Run("ok\n").find("line 1: ok: "), std::string::npos) << "a short form's refusal names it as written";
  EXPECT_NE(Run("ok\n").find("(expected: the form shown, with OK sensitive)"), std::string::npos);
}

TEST_F(Checks, WithoutAProfileTheShortExpectationsAreRefused) {
  EXPECT_EQ(Run("expect editor \"BA 1\"\n"), "> expect editor \"BA 1\"\n  passed\n");
  const std::string said = Run("expect editor \"BA 1\"\n", nullptr);
  EXPECT_NE(said.find("!checks.vex: line 1: expect editor reads the dialogs of a module's profile"), std::string::npos)
      << said;
  EXPECT_NE(Run("expect text Form/editor \"BA 1\"\n", nullptr).find("passed"), std::string::npos);
}

}  // namespace
