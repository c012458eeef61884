// The front ends' shared parts on their own: the layout from attachments, the text and SVG drawings, the
// reading of script lines, texts made printable and measured, and the changes of a step.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "drive/Drawing.h"
#include "drive/Errors.h"
#include "drive/Layout.h"
#include "drive/ProductTree.h"
#include "drive/Svg.h"
#include "drive/Text.h"
#include "drive/Words.h"
#include "vexhost/ProductWatch.h"
#include "vexhost/Session.h"

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

std::string Draw(const WidgetView& window) { return vexdrive::DrawText(vexdrive::LayOut({window})); }

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

// A push button other than a class frame's browser, and a combo, are there, but nothing a person
// does with them reaches a module: drawn in braces, dashed in the SVG, and the legends say why.
TEST(Layout, AWidgetNoModuleHearsIsDrawnThereButNotOperable) {
  WidgetView combo = Widget("VexDlgCombo", "level");
  combo.Lines = {"2"};
  combo.Shown = 0;
  WidgetView frame = Widget("VexStrObjectClassFrame", "frm", "Class");
  frame.Children = {Widget("VexDlgPushButton", "ClassBrowser", "...")};
  const WidgetView dialog = Dialog({Widget("VexDlgPushButton", "help", "Help"), combo, frame});
  const vexdrive::Picture picture = vexdrive::LayOut({dialog});
  const std::string drawn = vexdrive::DrawText(picture);
  EXPECT_NE(drawn.find("{Help}"), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("{2 v}"), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("[...]"), std::string::npos) << "the class browser is heard: " << drawn;
  EXPECT_NE(drawn.find("[OK] [Cancel]"), std::string::npos) << "the window's own buttons are heard: " << drawn;
  EXPECT_TRUE(vexdrive::HoldsInert(picture));
  const std::string svg = vexdrive::DrawSvg(picture);
  std::size_t dashed = 0;
  for (std::size_t at = svg.find("stroke-dasharray"); at != std::string::npos;
       at = svg.find("stroke-dasharray", at + 1)) {
    ++dashed;
  }
  EXPECT_EQ(dashed, 2U) << "the button and the combo, not the browser nor OK and Cancel: " << svg;
  EXPECT_NE(svg.find("this host tells no module of it"), std::string::npos);

  // Greyed out, they are in parentheses as any greyed widget, and no legend is owed.
  WidgetView greyed = dialog;
  greyed.Sensitive = false;
  const vexdrive::Picture off = vexdrive::LayOut({greyed});
  EXPECT_NE(vexdrive::DrawText(off).find("(Help)"), std::string::npos);
  EXPECT_FALSE(vexdrive::HoldsInert(off));
  EXPECT_EQ(vexdrive::DrawSvg(off).find("stroke-dasharray"), std::string::npos);
}

TEST(Layout, AWidgetAttachedAtTwoColumnPositionsSpansTheColumnsBetween) {
  const auto drawWithSeparatorUpTo = [](int last) {
    return Draw(Dialog(
        {Label("a", "left"), Label("b", "right"), Widget("VexDlgSeparator", "sep")},
        {Column(0, {"a", "sep"}), Column(5, {"b"}), Column(last, {"sep"}), Row(0, {"a", "b"}), Row(1, {"sep"})}));
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

// Without a title of its own, an error box reads "Error" (another message box "Message"), as on
// the page: a person never sees its name.
TEST(Layout, AMessageBoxShowsItsTextAndOnlyOK) {
  WidgetView box = Widget("VexStrErrorBox", "Box");
  box.HasOK = true;
  box.Lines = {"Cannot do it"};
  WidgetView notice = Widget("VexDlgNotify", "Notice");
  notice.HasOK = true;
  notice.Lines = {"Saved"};
  EXPECT_EQ(vexdrive::DrawText(vexdrive::LayOut({notice})).substr(0, 12), "+= Message =");
  EXPECT_EQ(Draw(box),
            "+= Error ======+\n"
            "| Cannot do it |\n"
            "|         [OK] |\n"
            "+==============+\n");
}

TEST(Layout, WindowsStandOneUnderTheOther) {
  const vexdrive::Picture picture = vexdrive::LayOut({Dialog({}), Dialog({})});
  EXPECT_EQ(picture.Height, 3 + 1 + 3);  // border, buttons, border; a blank line between
  EXPECT_EQ(picture.Boxes.size(), 6U);   // each window with its OK and Cancel
}

TEST(Svg, DrawsTheSameBoxesAndEscapesTheirTexts) {
  const std::string svg = vexdrive::DrawSvg(vexdrive::LayOut({Dialog({Label("a", "a<b & \"c\"")})}));
  EXPECT_EQ(svg.rfind("<?xml", 0), 0U);
  EXPECT_NE(svg.find(">a&lt;b &amp; &quot;c&quot;</text>"), std::string::npos) << svg;
  EXPECT_NE(svg.find(">Cancel</text>"), std::string::npos);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

TEST(Words, ACommentStartsAtAHashThatBeginsAWordOutsideQuotes) {
  const auto line = vexdrive::ParseLine("  partnumber \"a # b\" c#d  # a comment", 7);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->Number, 7);
  EXPECT_EQ(line->Verb, "partnumber");
  EXPECT_EQ(line->Rest, "\"a # b\" c#d");
  EXPECT_EQ(vexdrive::RestText(line->Rest), "\"a # b\" c#d");
  EXPECT_EQ(vexdrive::RestText("\" a \\\"b\\\" \""), " a \"b\" ");
  const auto comment = vexdrive::ParseLine("# only a comment", 1);
  ASSERT_TRUE(comment);
  EXPECT_TRUE(comment->Verb.empty());
  EXPECT_FALSE(vexdrive::ParseLine(" \t", 2));
  EXPECT_THROW(vexdrive::ParseLine("class \"open", 3), vexdrive::LineError);
}

TEST(Words, QuotedWordsKeepTheirBlanksAndTheirPlace) {
  const auto words = vexdrive::SplitWords("count \"Hull/Block A\" 3");
  ASSERT_EQ(words.size(), 3U);
  EXPECT_EQ(words[1].Text, "Hull/Block A");
  EXPECT_EQ(words[2].Text, "3");
  EXPECT_EQ(words[2].Begin, 21U);
}

}  // namespace

namespace {

using vexdrive::Abbreviated;
using vexdrive::Printable;
using vexdrive::Width;

// Every line of a drawing takes the same number of terminal cells up to its last border.
void ExpectAligned(const std::string& drawing) {
  std::istringstream lines(drawing);
  std::string line;
  int width = -1;
  while (std::getline(lines, line)) {
    if (width < 0) width = Width(line);
    EXPECT_EQ(Width(line), width) << line << "\n" << drawing;
  }
}

}  // namespace

TEST(Text, ControlCharactersAndBrokenBytesBecomeEscapesAndTheRestStays) {
  EXPECT_EQ(Printable("a\x1b[2Jb\tc\nd\re\x7f"), "a\\x1B[2Jb\\tc\\nd\\re\\x7F");
  EXPECT_EQ(Printable("next\xc2\x85line \xc2\x9b"), "next\\u0085line \\u009B");
  EXPECT_EQ(Printable("bad \xff\xc3 end"), "bad \\xFF\\xC3 end");
  EXPECT_EQ(Printable("Größe 部品 e\xcc\x81"), "Größe 部品 e\xcc\x81");
  EXPECT_EQ(vexdrive::PrintableLines("one\ntwo\x1b"), "one\ntwo\\x1B");
  EXPECT_EQ(vexdrive::Quoted("say \"\a\""), "\"say \"\\x07\"\"");
}

TEST(Text, WidthCountsTerminalCellsNotCharacters) {
  EXPECT_EQ(Width("Block A"), 7);
  EXPECT_EQ(Width("部品番号"), 8);
  EXPECT_EQ(Width("ＡＢ"), 4);          // full-width Latin
  EXPECT_EQ(Width("e\xcc\x81"), 1);     // e and a combining acute accent
  EXPECT_EQ(Width("\xe2\x80\x8b"), 0);  // zero-width space
  EXPECT_EQ(Width("블록"), 4);
}

TEST(Text, LongTextsKeepTheirStartAndEndAndSayHowMuchWasCut) {
  EXPECT_EQ(Abbreviated("short", 10), "short");
  EXPECT_EQ(Abbreviated(std::string(100, 'a') + "XYZ", 9), "aaaaaa[... 94 characters cut ...]XYZ");
  EXPECT_EQ(Abbreviated("ééééééééééé", 6), "éééé[... 5 characters cut ...]éé");
  const std::string echo = vexdrive::Echo(std::string(1000000, 'W'));
  EXPECT_LT(echo.size(), 120U);
  EXPECT_NE(echo.find("999940 characters cut"), std::string::npos) << echo;
}

TEST(Layout, WideCharactersTakeTwoCellsAndTheBoxesStayAligned) {
  WidgetView editor = Widget("VexDlgEditor", "e");
  editor.Lines = {"部品番号-２００"};
  editor.VisibleTextWidth = 6;
  WidgetView frame = Widget("VexDlgFrame", "f", "組立 e\xcc\x81");
  frame.Children = {Label("n", "品番:"), editor};
  const std::string drawing = Draw(Dialog({frame, Label("w", "ブロック")}));
  ExpectAligned(drawing);
  EXPECT_NE(drawing.find("| | 品番: [部品番号-２００] |          |"), std::string::npos) << drawing;
}

TEST(Layout, AnEditorTooNarrowCutsBeforeAWideCharacterNotThroughIt) {
  WidgetView editor = Widget("VexDlgEditor", "e");
  editor.Lines = {"ab部品"};
  editor.VisibleTextWidth = 5;
  vexdrive::Picture picture = vexdrive::LayOut({Dialog({editor})});
  for (auto& box : picture.Boxes) {
    if (box.Kind == vexdrive::Look::Editor) box.W = 2 + 5;  // five cells of text: "ab部" and a blank
  }
  const std::string drawing = vexdrive::DrawText(picture);
  EXPECT_NE(drawing.find("[ab部 ]"), std::string::npos) << drawing;
  ExpectAligned(drawing);
}

TEST(Layout, ControlCharactersInTextsAreDrawnAsEscapesOnOneLine) {
  WidgetView box = Widget("VexStrErrorBox", "Box");
  box.Title = "Box\x1b[2J";
  box.HasOK = true;
  box.Lines = {"line one\nline\ttwo\x07"};
  const std::string drawing = Draw(box);
  EXPECT_EQ(drawing,
            "+= Box\\x1B[2J ==+\n"
            "| line one      |\n"
            "| line\\ttwo\\x07 |\n"
            "|          [OK] |\n"
            "+===============+\n");
  const std::string svg = vexdrive::DrawSvg(vexdrive::LayOut({box}));
  for (char c : svg) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << static_cast<int>(c);
  EXPECT_NE(svg.find(">line\\ttwo\\x07</text>"), std::string::npos) << svg;
}

TEST(Words, ControlCharactersAreRefusedExceptTabsBetweenWordsAndACarriageReturnAtTheEnd) {
  const auto crlf = vexdrive::ParseLine("partnumber BA-201\r", 1);
  ASSERT_TRUE(crlf);
  EXPECT_EQ(crlf->Rest, "BA-201");
  const auto tabs = vexdrive::ParseLine("expect\tcount\tHull\t2", 2);
  ASSERT_TRUE(tabs);
  EXPECT_EQ(tabs->Verb, "expect");
  for (const char* line : {"partnumber a\x1b[31m", "class \x7f", "class a\rb", "class \xc2\x9b", "ok\x0c"}) {
    EXPECT_THROW(vexdrive::ParseLine(line, 3), vexdrive::LineError) << line;
  }
}

TEST(Paths, EmptyNamesAreRefusedWithWhatIsWrong) {
  EXPECT_EQ(vexhost::SplitPath("Hull/Block A/SB 1"), (std::vector<std::string>{"Hull", "Block A", "SB 1"}));
  EXPECT_EQ(vexhost::SplitPath("Hull"), (std::vector<std::string>{"Hull"}));
  const auto problem = [](const std::string& path) {
    try {
      vexhost::SplitPath(path);
    } catch (const std::invalid_argument& error) {
      return std::string(error.what());
    }
    return std::string("(accepted)");
  };
  EXPECT_EQ(problem(""), "is empty");
  EXPECT_EQ(problem("/Hull"), "begins with '/' (it starts with the root's name)");
  EXPECT_EQ(problem("Hull/"), "ends with '/'");
  EXPECT_EQ(problem("Hull//Block A"), "holds an empty name between two '/'");
  EXPECT_EQ(problem("/"), "begins with '/' (it starts with the root's name)");
}

TEST(ProductChanges, AStepIsDescribedByItsNetEffectInOrderOfPaths) {
  using Kind = vexhost::ProductChange::Kind;
  const std::vector<vexhost::ProductChange> changes{
      {Kind::PartNumberSet, {"Hull", "B"}, {}, "B-1", "B-2"},
      {Kind::ProductCreated, {"Hull", "A", "Panel 1"}, "Panel", {}, {}},
      {Kind::PartNumberSet, {"Hull", "A", "Panel 1"}, {}, "", "P-1"},  // a new product's number is part of it
      {Kind::PartNumberSet, {"Hull", "A"}, {}, "A-1", "A-2"},
      {Kind::PartNumberSet, {"Hull", "A"}, {}, "A-2", "A-3"},
      {Kind::PartNumberSet, {"Hull"}, {}, "H-1", "H-2"},
      {Kind::PartNumberSet, {"Hull"}, {}, "H-2", "H-1"},  // set back: no change
      {Kind::ActivePathSet, {"Hull"}, {}, {}, {}},
  };
  EXPECT_EQ(vexdrive::DescribeChanges(changes),
            (std::vector<std::string>{"part number of Hull/A: \"A-1\" -> \"A-3\"",
                                      "new product Hull/A/Panel 1 (interim Panel), part number \"P-1\"",
                                      "part number of Hull/B: \"B-1\" -> \"B-2\""}));
  std::vector<vexhost::ProductChange> reopened = changes;
  reopened.push_back({Kind::DocumentOpened, {"Hull"}, {}, {}, "Ship\x1b"});
  reopened.push_back({Kind::ProductCreated, {"Hull", "C 1"}, "C", {}, {}});
  EXPECT_EQ(vexdrive::DescribeChanges(reopened),
            (std::vector<std::string>{"document \"Ship\\x1B\" opened", "new product Hull/C 1 (interim C)"}));
}

TEST(ProductWatch, AWatchSeesTheChangesOfItsSessionFromItsStartAndLooksUpSingleProducts) {
  vexhost::DocumentData document;
  document.Name = "Ship";
  document.ClassCatalogue = {"Block"};
  document.Root.Name = "Hull";
  document.Root.PartNumber = "H-1";
  for (int i = 0; i < 3; ++i)
    document.Root.Children.push_back({"Block " + std::to_string(i), true, "B-" + std::to_string(i), {}, {}, {}});
  document.Root.Children[1].Children.push_back({"Sub", true, "S-1", "Block", {}, {}});
  {
    vexhost::Session session;
    vexhost::ChangeWatch early(session);
    session.OpenDocument(document);
    vexhost::ChangeWatch late(session);
    session.SetActivePath({"Hull", "Block 1"});
    session.RemoveEditor();
    using Kind = vexhost::ProductChange::Kind;
    std::vector<Kind> kinds;
    for (const auto& change : early.Take()) kinds.push_back(change.What);
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::DocumentOpened, Kind::ActivePathSet, Kind::EditorRemoved}));
    EXPECT_TRUE(early.Take().empty()) << "what was taken is gone";
    EXPECT_EQ(late.Take().size(), 2U) << "a watch sees what happens after it starts";
    EXPECT_FALSE(vexhost::ActiveNames(session));

    session.SetActivePath({"Hull", "Block 1", "Sub"});
    EXPECT_EQ(vexhost::ActiveNames(session), (std::vector<std::string>{"Hull", "Block 1", "Sub"}));
    const auto block = vexhost::SeeProduct(session, {"Hull", "Block 1"});
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Product.PartNumber, "B-1");
    EXPECT_EQ(block->ChildCount, 1U);
    EXPECT_TRUE(block->Product.Children.empty());
    EXPECT_EQ(vexhost::SeeProduct(session, {"Hull"})->ChildCount, 3U);
    EXPECT_FALSE(vexhost::SeeProduct(session, {"Hull", "Block 9"}));
    EXPECT_FALSE(vexhost::SeeProduct(session, {"Ship"}));
    const auto children = vexhost::SeeChildren(session, {"Hull", "Block 1"});
    ASSERT_EQ(children.size(), 1U);
    EXPECT_EQ(children[0].InterimClass, "Block");
  }
  EXPECT_EQ(vexhost::Session::LiveObjects(), 0);
}
