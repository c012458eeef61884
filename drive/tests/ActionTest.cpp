// The one vocabulary of actions: every line reads as an action and writes back as the same line,
// a text reads back as it was written in either way of writing it, and a line that is no action
// in its form is refused with the message that names the form.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "drive/Action.h"
#include "drive/Errors.h"
#include "drive/Profile.h"
#include "drive/Words.h"
#include "drive/tests/TestProfile.h"

namespace {

using vexdrive::Action;
using vexdrive::ActionVerb;
using vexdrive::FaultWhen;
using vexdrive::Writing;

const vexdrive::Profile* const Form = &vexdrive::testing::FormProfile();

std::optional<Action> Parse(const std::string& line, const vexdrive::Profile* profile = nullptr) {
  return vexdrive::ParseAction(*vexdrive::ParseLine(line, 1), profile);
}

// The message a refused line gets.
std::string Refusal(const std::string& line, const vexdrive::Profile* profile = nullptr) {
  try {
    Parse(line, profile);
  } catch (const vexdrive::LineError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(Actions, EveryVerbWritesBackTheLineItWasReadFrom) {
  for (const char* line : {"start VexCmd",
                           "start \"My command\"",
                           "active Hull/Block A",
                           "active \"Hull/Block A\"",
                           "noeditor",
                           "press D/OK",
                           "press D/Cancel",
                           "type D/E BA-201",
                           "type D/E \"\"",
                           "type D/E two  words",
                           "type D/E \"two words\"",
                           "type D/E \"#1 \\\"x\\\" \\\\\"",
                           "choose D/F Panel",
                           "choose D/F \"\"",
                           "browse D/F",
                           "browse D/F Sub Block",
                           "close D",
                           "close \"My dialog\"",
                           "acknowledge Box",
                           "interrupt",
                           "reactivate",
                           "reopen",
                           "fault allocation 3 once",
                           "fault allocation 3 persistent",
                           "fault raise SetPartNumber@Obj#2:VexError once",
                           "fault status CreateInterimProduct#1=0 persistent"}) {
    const std::optional<Action> action = Parse(line);
    ASSERT_TRUE(action) << line;
    EXPECT_EQ(vexdrive::ActionLine(*action), line);
    EXPECT_EQ(Parse(vexdrive::ActionLine(*action)), action) << line;
  }
}

TEST(Actions, AShortFormWritesBackAsWritten) {
  for (const char* line : {"ok", "close", "ack", "acknowledge", "class", "class \"\"", "class Panel", "choose Panel",
                           "partnumber BA-201", "type BA 201", "type \"A/B 1\"", "browse", "browse Assembly"}) {
    const std::optional<Action> action = Parse(line, Form);
    ASSERT_TRUE(action) << line;
    EXPECT_FALSE(action->Shorthand.empty()) << line;
    EXPECT_EQ(vexdrive::ActionLine(*action), line);
  }
  const Action ok = *Parse("ok", Form);
  EXPECT_EQ(ok.Verb, ActionVerb::Press);
  EXPECT_EQ(ok.Target.Text(), "Form/OK");
  const Action typed = *Parse("partnumber BA 201", Form);
  EXPECT_EQ(typed.Verb, ActionVerb::Type);
  EXPECT_EQ(typed.Target.Text(), "Form/editor");
  EXPECT_EQ(typed.Text, "BA 201");
  EXPECT_FALSE(vexdrive::IsStep(*Parse("browse \"\"", Form))) << "browsing with an empty name lists";
  EXPECT_TRUE(vexdrive::IsStep(*Parse("browse Assembly", Form)));
}

TEST(Actions, AnAddressOrAnArgumentTellsTheGenericFormFromTheShortOne) {
  EXPECT_TRUE(Parse("type Form/editor BA", Form)->Shorthand.empty());
  EXPECT_FALSE(Parse("type \"Form/editor\" BA", Form)->Shorthand.empty()) << "a quoted text stays the short form's";
  EXPECT_TRUE(Parse("close Form", Form)->Shorthand.empty());
  EXPECT_TRUE(Parse("ack Note", Form)->Shorthand.empty());
  EXPECT_EQ(vexdrive::ActionLine(*Parse("ack Note", Form)), "acknowledge Note");
  EXPECT_TRUE(Parse("browse Form/frame", Form)->Shorthand.empty());
}

TEST(Actions, WhatCodeMakesIsWhatTheLineSays) {
  EXPECT_EQ(Action::Press("D", "OK"), Parse("press D/OK"));
  EXPECT_EQ(Action::Close("My dialog"), Parse("close \"My dialog\""));
  EXPECT_EQ(Action::Acknowledge("Box"), Parse("acknowledge Box"));
  EXPECT_EQ(Action::Browse("D", "F"), Parse("browse D/F"));
  EXPECT_EQ(Action::Interrupt(), Parse("interrupt"));
  EXPECT_EQ(Action::FailAllocation(7, FaultWhen::FromThenOn), Parse("fault allocation 7 persistent"));
  EXPECT_EQ(vexdrive::ActionLine(Action::Type("D", "E", "two words")), "type D/E \"two words\"");
  EXPECT_EQ(vexdrive::ActionLine(Action::Type("D", "E", "two words", Writing::AsTyped)), "type D/E two words");
  EXPECT_EQ(vexdrive::ActionLine(Action::Choose("D", "F", "")), "choose D/F \"\"");
  EXPECT_EQ(vexdrive::ActionLine(Action::Raise("*#3:VexError", FaultWhen::Once)), "fault raise *#3:VexError once");
  EXPECT_EQ(vexdrive::ActionLine(Action::Start("Cmd")), "start Cmd");
  EXPECT_EQ(vexdrive::ActionLine(Action::NoEditor()), "noeditor");
}

TEST(Actions, EveryTextReadsBackAsItWasWrittenEitherWay) {
  for (const std::string text :
       {"", "plain", "two words", " lead", "trail ", "#hash", "a#b", "a \"quote\"", "back\\slash", "\\\"", "tab\there",
        "\xC3\x9C"
        "ber"}) {
    for (Writing writing : {Writing::OneWord, Writing::AsTyped}) {
      const std::string line = vexdrive::ActionLine(Action::Type("D", "E", text, writing));
      EXPECT_EQ(Parse(line)->Text, text) << line;
    }
    const std::vector<vexdrive::Word> words = vexdrive::SplitWords(vexdrive::ScriptWord(text));
    ASSERT_EQ(words.size(), 1U) << text;
    EXPECT_EQ(words[0].Text, text);
  }
}

TEST(Actions, EachWayOfWritingQuotesOnlyWhatItMust) {
  EXPECT_EQ(vexdrive::ScriptWord("a#b"), "a#b");
  EXPECT_EQ(vexdrive::ScriptWord("a#b", Writing::AsTyped), "\"a#b\"");
  EXPECT_EQ(vexdrive::ScriptWord("two words"), "\"two words\"");
  EXPECT_EQ(vexdrive::ScriptWord("two words", Writing::AsTyped), "two words");
  EXPECT_EQ(vexdrive::ScriptWord("back\\slash"), "\"back\\\\slash\"");
  EXPECT_EQ(vexdrive::ScriptWord("back\\slash", Writing::AsTyped), "back\\slash");
  EXPECT_EQ(vexdrive::ScriptWord("", Writing::AsTyped), "\"\"");
  EXPECT_EQ(vexdrive::ScriptWord(" x", Writing::AsTyped), "\" x\"");
}

TEST(Actions, AMalformedLineIsRefusedNamingItsForm) {
  EXPECT_EQ(Refusal("press D"), "press: expected DIALOG/BUTTON, not \"D\"");
  EXPECT_EQ(Refusal("press D/OK now"), "press: expected: press DIALOG/BUTTON");
  EXPECT_EQ(Refusal("press /OK"), "press: expected DIALOG/BUTTON, not \"/OK\"");
  EXPECT_EQ(Refusal("type D/E"), "type: expected: type DIALOG/EDITOR TEXT (\"\" for an empty text)");
  EXPECT_EQ(Refusal("choose D/"), "choose: expected DIALOG/FRAME, not \"D/\"");
  EXPECT_EQ(Refusal("close A B"), "close: expected: close DIALOG");
  EXPECT_EQ(Refusal("ack A B"), "acknowledge: expected: acknowledge DIALOG");
  EXPECT_EQ(Refusal("interrupt now"), "interrupt: expected: interrupt");
  EXPECT_EQ(Refusal("fault allocation 0"),
            "fault: expected: fault allocation N [once|persistent] with N a positive whole number");
  EXPECT_EQ(Refusal("fault allocation 2 sometimes"), "fault: expected once or persistent, not \"sometimes\"");
  EXPECT_EQ(Refusal("fault raise"), "fault: expected: fault raise OP[@OBJECT][#N][:KIND] [once|persistent]");
  EXPECT_EQ(Refusal("fault explode"), "fault: expected: fault allocation|raise|status ..., not \"explode\"");
  EXPECT_EQ(Refusal("fault allocation 1 once now"), "fault: fault takes at most three words");
  EXPECT_EQ(Refusal("fault raise :VexError").rfind("fault: fault raise :VexError: ", 0), 0U);
  EXPECT_EQ(Refusal("start"), "start needs an argument (expected: start NAME)");
  EXPECT_EQ(Refusal("noeditor x"), "noeditor takes nothing after it (found \"x\")");
  EXPECT_EQ(Refusal("ok now", Form), "ok takes nothing after it (found \"now\")");
  EXPECT_EQ(Refusal("show all"), "show takes nothing after it (found \"all\")");
  EXPECT_EQ(Refusal("expect"), "expect needs an argument (expected: expect WHAT)");
}

TEST(Actions, WithoutAProfileTheShortFormsAreUnknownAndTheGenericOnesApply) {
  EXPECT_EQ(Refusal("ok").rfind("unknown command \"ok\" (expected one of: start, active, noeditor, show,", 0), 0U);
  EXPECT_EQ(Refusal("close"), "close: expected: close DIALOG");
  EXPECT_EQ(Refusal("type BA"), "type: expected DIALOG/EDITOR, not \"BA\"");
  EXPECT_EQ(
      Refusal("frob", Form).rfind("unknown command \"frob\" (expected one of: start, active, noeditor, class,", 0), 0U);
  EXPECT_NE(Refusal("frob", Form).find(" partnumber, type, ok, close, ack, acknowledge, show, draw,"),
            std::string::npos);
}

TEST(Actions, TheScriptsOwnCommandsAreNoAction) {
  for (const char* line : {"show", "draw", "tree", "expect running no", "help", "quit", "exit", "# a comment"}) {
    EXPECT_FALSE(Parse(line)) << line;
  }
  EXPECT_EQ(vexdrive::OwnCommandOf("draw"), vexdrive::OwnCommand::Show);
  EXPECT_FALSE(vexdrive::OwnCommandOf("press"));
}

TEST(Actions, TheHelpListsTheProfilesShortFormsBetweenTheHostsVerbsAndTheScripts) {
  const std::string help = vexdrive::ScriptHelp(Form);
  EXPECT_LT(help.find("  noeditor"), help.find("  class NAME"));
  EXPECT_LT(help.find("  ack "), help.find("  show"));
  EXPECT_EQ(vexdrive::ScriptHelp(nullptr).find("class NAME"), std::string::npos);
  EXPECT_NE(vexdrive::ScriptHelp(nullptr).find("  press DIALOG/BUTTON"), std::string::npos);
}

}  // namespace
