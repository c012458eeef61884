// The shell's parts on their own: the layout from attachments, the text and SVG drawings, and
// the reading of script lines.
#include <gtest/gtest.h>

#include "Drawing.h"
#include "Errors.h"
#include "Layout.h"
#include "Svg.h"
#include "Words.h"

namespace {

using vexhost::AttachmentView;
using vexhost::WidgetView;

WidgetView Widget(std::string hostClass, std::string name, std::string title = {}) {
  WidgetView widget;
  widget.Class = std::move(hostClass);
  widget.Name = std::move(name);
  widget.Title = std::move(title);
  return widget;
}

WidgetView Label(std::string name, std::string text) { return Widget("VexDlgLabel", std::move(name), std::move(text)); }

AttachmentView Row(int position, std::vector<std::string> widgets) {
  return {"SetHorizontalAttachment", position, 5, std::move(widgets)};
}

AttachmentView Column(int position, std::vector<std::string> widgets) {
  return {"SetVerticalAttachment", position, 1, std::move(widgets)};
}

WidgetView Dialog(std::vector<WidgetView> children, std::vector<AttachmentView> attachments = {}) {
  WidgetView dialog = Widget("VexDlgDialog", "Dialog", "T");
  dialog.HasOK = true;
  dialog.Children = std::move(children);
  dialog.Attachments = std::move(attachments);
  return dialog;
}

std::string Draw(const WidgetView& window) { return vexshell::DrawText(vexshell::LayOut({window})); }

TEST(Layout, RowsFollowTheHorizontalPositionsNotTheOrderOfTheChildren) {
  const WidgetView dialog = Dialog({Label("a", "first"), Label("b", "second")}, {Row(10, {"a"}), Row(0, {"b"})});
  EXPECT_EQ(Draw(dialog),
            "+= T ===========+\n"
            "| second        |\n"
            "| first         |\n"
            "| [OK] [Cancel] |\n"
            "+===============+\n");
}

TEST(Layout, ColumnsFollowTheVerticalPositionsInsideAFrame) {
  WidgetView editor = Widget("VexDlgEditor", "e");
  editor.Lines = {"x"};
  editor.VisibleTextWidth = 4;
  WidgetView frame = Widget("VexDlgFrame", "f", "F");
  frame.Children = {Label("n", "Name:"), editor};
  frame.Attachments = {Column(5, {"n"}), Column(0, {"e"}), Row(0, {"n", "e"})};
  EXPECT_EQ(Draw(Dialog({frame})),
            "+= T ==============+\n"
            "| +- F ----------+ |\n"
            "| | [x   ] Name: | |\n"
            "| +--------------+ |\n"
            "|    [OK] [Cancel] |\n"
            "+==================+\n");
}

TEST(Layout, WithoutAttachmentsHiddenWidgetsTakeNoRoomAndGreyedOnesAreInParentheses) {
  WidgetView hidden = Label("h", "hidden");
  hidden.Visible = false;
  WidgetView button = Widget("VexDlgPushButton", "go", "Go");
  button.Sensitive = false;
  WidgetView dialog = Dialog({Label("s", "shown"), hidden, button});
  dialog.OKSensitive = false;
  EXPECT_EQ(Draw(dialog),
            "+= T ===========+\n"
            "| shown (Go)    |\n"
            "| (OK) [Cancel] |\n"
            "+===============+\n");
}

TEST(Layout, AWidgetAttachedAtTwoColumnPositionsSpansTheColumnsBetween) {
  const auto drawWithSeparatorUpTo = [](int last) {
    return Draw(Dialog({Label("a", "left"), Label("b", "right"), Widget("VexDlgSeparator", "sep")},
                       {Column(0, {"a", "sep"}), Column(5, {"b"}), Column(last, {"sep"}), Row(0, {"a", "b"}),
                        Row(1, {"sep"})}));
  };
  EXPECT_EQ(drawWithSeparatorUpTo(5),
            "+= T ===========+\n"
            "| left right    |\n"
            "| ------------- |\n"
            "| [OK] [Cancel] |\n"
            "+===============+\n");
  EXPECT_EQ(drawWithSeparatorUpTo(0),
            "+= T ===========+\n"
            "| left right    |\n"
            "| ----          |\n"
            "| [OK] [Cancel] |\n"
            "+===============+\n");
}

TEST(Layout, AMessageBoxShowsItsTextAndOnlyOK) {
  WidgetView box = Widget("VexStrErrorBox", "Box");
  box.HasOK = true;
  box.Lines = {"Cannot do it"};
  EXPECT_EQ(Draw(box),
            "+= Box ========+\n"
            "| Cannot do it |\n"
            "|         [OK] |\n"
            "+==============+\n");
}

TEST(Layout, WindowsStandOneUnderTheOther) {
  const vexshell::Picture picture = vexshell::LayOut({Dialog({}), Dialog({})});
  EXPECT_EQ(picture.Height, 3 + 1 + 3);  // border, buttons, border; a blank line between
  EXPECT_EQ(picture.Boxes.size(), 6U);  // each window with its OK and Cancel
}

TEST(Svg, DrawsTheSameBoxesAndEscapesTheirTexts) {
  const std::string svg = vexshell::DrawSvg(vexshell::LayOut({Dialog({Label("a", "a<b & \"c\"")})}));
  EXPECT_EQ(svg.rfind("<?xml", 0), 0U);
  EXPECT_NE(svg.find(">a&lt;b &amp; &quot;c&quot;</text>"), std::string::npos) << svg;
  EXPECT_NE(svg.find(">Cancel</text>"), std::string::npos);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

TEST(Words, ACommentStartsAtAHashThatBeginsAWordOutsideQuotes) {
  const auto line = vexshell::ParseLine("  partnumber \"a # b\" c#d  # a comment", 7);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->Number, 7);
  EXPECT_EQ(line->Verb, "partnumber");
  EXPECT_EQ(line->Rest, "\"a # b\" c#d");
  EXPECT_EQ(vexshell::RestText(line->Rest), "\"a # b\" c#d");
  EXPECT_EQ(vexshell::RestText("\" a \\\"b\\\" \""), " a \"b\" ");
  const auto comment = vexshell::ParseLine("# only a comment", 1);
  ASSERT_TRUE(comment);
  EXPECT_TRUE(comment->Verb.empty());
  EXPECT_FALSE(vexshell::ParseLine(" \t", 2));
  EXPECT_THROW(vexshell::ParseLine("class \"open", 3), vexshell::LineError);
}

TEST(Words, QuotedWordsKeepTheirBlanksAndTheirPlace) {
  const auto words = vexshell::SplitWords("count \"Hull/Block A\" 3");
  ASSERT_EQ(words.size(), 3U);
  EXPECT_EQ(words[1].Text, "Hull/Block A");
  EXPECT_EQ(words[2].Text, "3");
  EXPECT_EQ(words[2].Begin, 21U);
}

}  // namespace
