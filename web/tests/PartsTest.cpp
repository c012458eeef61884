// The page server's parts: page actions as script lines, fault plans, and a live session worked
// through them, down to the script it records and its replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "drive/DefaultDocument.h"
#include "drive/Desk.h"
#include "drive/Script.h"
#include "drive/Startup.h"
#include "drive/Words.h"
#include "vexhost/Session.h"
#include "web/LiveSession.h"
#include "web/PageActions.h"
#include "web/tests/PageTestSupport.h"

namespace vexweb {
namespace {

using nlohmann::json;

int StatusOf(const json& action, std::string (*make)(const json&)) {
  try {
    make(action);
  } catch (const BadRequest& bad) {
    return bad.Status();
  }
  return 0;
}

std::string LineOf(const json& action) { return ScriptLineFor(action); }
std::string FaultsOf(const json& request) {
  FaultsFor(request);
  return {};
}

TEST(Actions, EveryTextReadsBackUnchangedAsAScriptWord) {
  for (const std::string text : {"Assembly", "Block A", "a  b", " lead", "trail ", "", " ", "#hash", "a #b", "a#b",
                                 "quote\"in", "\"", "\"quoted\"", "back\\slash", "\\\"", "\\", "ünïcodé ✓"}) {
    const std::string line = "partnumber " + vexdrive::ScriptWord(text, vexdrive::Writing::AsTyped);
    const auto parsed = vexdrive::ParseLine(line, 1);
    ASSERT_TRUE(parsed) << line;
    EXPECT_EQ(parsed->Verb, "partnumber") << line;
    EXPECT_EQ(vexdrive::RestText(parsed->Rest), text) << line;
  }
}

TEST(Actions, PageVerbsBecomeScriptLines) {
  EXPECT_EQ(ScriptLineFor({{"verb", "ok"}}), "ok");
  EXPECT_EQ(ScriptLineFor({{"verb", "ack"}}), "ack");
  EXPECT_EQ(ScriptLineFor({{"verb", "start"}, {"text", "VexStrCreateInterimProdCmd"}}),
            "start VexStrCreateInterimProdCmd");
  EXPECT_EQ(ScriptLineFor({{"verb", "active"}, {"text", "Hull/Block A"}}), "active Hull/Block A");
  EXPECT_EQ(ScriptLineFor({{"verb", "class"}, {"text", ""}}), "class \"\"");
  EXPECT_EQ(ScriptLineFor({{"verb", "partnumber"}, {"text", "# 7"}}), "partnumber \"# 7\"");
  EXPECT_EQ(ScriptLineFor({{"verb", "browse"}}), "browse");
  EXPECT_EQ(ScriptLineFor({{"verb", "browse"}, {"text", ""}}), "browse");
  EXPECT_EQ(ScriptLineFor({{"verb", "browse"}, {"text", "Panel"}}), "browse Panel");
}

TEST(Actions, RequestsThePageCannotMakeAreBad) {
  for (const json& action :
       {json::array(), json("ok"), json::object(), json{{"verb", 1}}, json{{"verb", "quit"}},
        json{{"verb", "expect"}, {"text", "running no"}}, json{{"verb", "show"}}, json{{"verb", "ok"}, {"text", "now"}},
        json{{"verb", "start"}}, json{{"verb", "start"}, {"text", ""}}, json{{"verb", "class"}, {"text", 7}},
        json{{"verb", "partnumber"}, {"text", "A\nok"}}, json{{"verb", "partnumber"}, {"text", "A\rB"}},
        json{{"verb", "partnumber"}, {"text", std::string(5000, 'x')}}, json{{"verb", "ok"}, {"then", "cancel"}}}) {
    EXPECT_EQ(StatusOf(action, LineOf), 400) << action.dump();
  }
}

TEST(Actions, FaultPlansAreCheckedWhole) {
  const SessionFaults faults = FaultsFor({{"failAlloc", {23, 40}},
                                          {"raise", {"CreateInterimProduct:SystemError", "SetTitle#2"}},
                                          {"status", {"QueryInterface@Block A.factory#2=-1"}}});
  EXPECT_EQ(faults.FailAllocations, (std::vector<int>{23, 40}));
  EXPECT_EQ(faults.Raises, (std::vector<std::string>{"CreateInterimProduct:SystemError", "SetTitle#2"}));
  EXPECT_TRUE(FaultsFor(json::object()).FailAllocations.empty());
  for (const json& request :
       {json{{"failAlloc", {0}}}, json{{"failAlloc", {"3"}}}, json{{"failAlloc", {1.5}}}, json{{"failAlloc", 3}},
        json{{"failAlloc", std::vector<int>(17, 1)}}, json{{"raise", {"SetTitle:Oops"}}},
        json{{"raise", {"SetTitle\nok"}}}, json{{"raise", {""}}}, json{{"raise", {"SetTitle#0"}}},
        json{{"status", {"SetTitle=-1"}}}, json{{"status", {"SetPartNumber=1"}}}, json{{"fail", {1}}}, json::array()}) {
    EXPECT_EQ(StatusOf(request, FaultsOf), 400) << request.dump();
  }
}

class Live : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { vexdrive::LoadModule(VEXWEB_MODULE); }
  void SetUp() override {
    _Options.Resources = VEXWEB_RESOURCES;
    _Options.ModuleProfile = Ours();
    _Live = std::make_unique<LiveSession>(vexdrive::DefaultDocument(), _Options);
  }
  void TearDown() override {
    if (_Live) {
      EXPECT_TRUE(_Live->End().Clean());
    }
    _Live.reset();
    EXPECT_EQ(vexhost::Session::LiveObjects(), 0);
  }

  ActOutcome Done(const std::string& line) {
    ActOutcome outcome = _Live->Act(LineAction(line));
    EXPECT_EQ(outcome.Refusal, "") << line;
    return outcome;
  }

  // The boxes of the view that carry an action, as "window/name:verb target".
  static std::vector<std::string> Acts(const json& view) {
    std::vector<std::string> acts;
    for (const auto& box : view["picture"]["boxes"]) {
      if (box.contains("act")) {
        acts.push_back(box["window"].get<std::string>() + "/" + box["name"].get<std::string>() + ":" +
                       box["act"]["verb"].get<std::string>() + " " + box["act"]["target"].get<std::string>());
      }
    }
    return acts;
  }

  // Replays the script on a fresh session of the embedded document: the failed expectations.
  static int Replay(const std::string& script) {
    vexhost::Session session(vexhost::SessionOptions{{VEXWEB_RESOURCES}});
    session.OpenDocument(vexdrive::DefaultDocument());
    vexdrive::Desk desk(session);
    std::ostringstream out;
    std::ostringstream err;
    vexdrive::Script replay(desk, out, err, false, Ours());
    std::istringstream in(script);
    replay.Run(in, "session.vex");
    EXPECT_FALSE(replay.Stopped()) << err.str();
    desk.EndRun();
    EXPECT_TRUE(session.Accounting().Clean());
    return replay.FailedExpectations() + (replay.Stopped() ? 1 : 0);
  }

  vexdrive::Options _Options;
  std::unique_ptr<LiveSession> _Live;
};

TEST_F(Live, TheViewNamesWhatEachBoxOfThePanelDoes) {
  Done("start VexStrCreateInterimProdCmd");
  const json view = _Live->View();
  std::vector<std::string> acts = Acts(view);
  std::sort(acts.begin(), acts.end());
  EXPECT_EQ(acts, (std::vector<std::string>{
                      "InterimProductPanel/Cancel:press InterimProductPanel/Cancel",
                      "InterimProductPanel/ClassBrowser:browse InterimProductPanel/frmClass",
                      "InterimProductPanel/ClassEditor:choose InterimProductPanel/frmClass",
                      "InterimProductPanel/InterimProductPanel:close InterimProductPanel",
                      "InterimProductPanel/OK:press InterimProductPanel/OK",
                      "InterimProductPanel/editorpartnumber:type InterimProductPanel/editorpartnumber"}));
  EXPECT_EQ(view["hidden"], json{"VexStrErrorBox"});
  EXPECT_TRUE(view["running"].get<bool>());
}

TEST_F(Live, ARefusedActionChangesNothingAndIsNotRecorded) {
  Done("start VexStrCreateInterimProdCmd");
  const json before = _Live->View();
  const ActOutcome refused = _Live->Act(LineAction("ok"));
  EXPECT_EQ(refused.Refusal,
            "ok: OK of 'InterimProductPanel' is insensitive (expected: the panel shown, with OK sensitive)");
  json after = _Live->View();
  EXPECT_EQ(after["picture"], before["picture"]);
  EXPECT_EQ(after["tree"], before["tree"]);
  // The host's resource lookups, made whenever a dialog is looked at, are left out of the view.
  EXPECT_EQ(after["journal"]["entries"], before["journal"]["entries"]);
  EXPECT_EQ(after["script"]["lines"], 1);
  EXPECT_TRUE(after["script"]["transcript"].back()["refused"].get<bool>());
}

TEST_F(Live, TheBrowserOffersItsClassesAsData) {
  Done("start VexStrCreateInterimProdCmd");
  const ActOutcome offer = Done("browse");
  ASSERT_TRUE(offer.Offer);
  EXPECT_EQ(*offer.Offer, (std::vector<std::string>{"Block", "SubBlock", "Panel", "Assembly"}));
  EXPECT_FALSE(Done("browse Panel").Offer);
}

TEST_F(Live, TheTreeMarksNewProductsAndChangedPartNumbers) {
  Done("start VexStrCreateInterimProdCmd");
  Done("class Assembly");
  Done("partnumber BA-201");
  Done("ok");
  const json root = _Live->View()["tree"]["root"];
  const json blockA = root["children"][0];
  EXPECT_EQ(blockA["path"], "Hull/Block A");
  EXPECT_EQ(blockA["partNumber"], "BA-201");
  EXPECT_EQ(blockA["was"], "BA-200");
  EXPECT_TRUE(blockA["active"].get<bool>());
  const json created = blockA["children"].back();
  EXPECT_EQ(created["name"], "Assembly 1");
  EXPECT_EQ(created["interimClass"], "Assembly");
  EXPECT_TRUE(created.value("new", false));
  EXPECT_FALSE(root.contains("was"));
  EXPECT_FALSE(root.value("new", false));
  EXPECT_EQ(root["children"][1]["refuses"],
            "Block B is released for production: no interim product can be added to it");
}

TEST_F(Live, TheRecordedScriptReplaysToTheSameEnd) {
  Done("start VexStrCreateInterimProdCmd");
  Done("browse");
  Done("browse Assembly");
  Done("partnumber \"#1 \\\"quoted\\\"\"");
  Done("ok");
  Done("active Hull/Block B");
  Done("start VexStrCreateInterimProdCmd");
  const std::string script = _Live->Script();
  EXPECT_NE(script.find("\nexpect text VexStrErrorBox \"Block B is released for production: no interim product can be "
                        "added to it\"\n"),
            std::string::npos)
      << script;
  EXPECT_NE(script.find("\nexpect partnumber \"Hull/Block A\" \"#1 \\\"quoted\\\"\"\n"), std::string::npos) << script;
  EXPECT_NE(script.find("\nexpect child \"Hull/Block A\" Assembly\n"), std::string::npos) << script;
  EXPECT_NE(script.find("#   vexhost --check --resources "), std::string::npos) << script;
  _Live->End();
  _Live.reset();
  EXPECT_EQ(Replay(script), 0) << script;
}

TEST_F(Live, AReplayThatEndsOtherwiseFailsItsExpectations) {
  Done("start VexStrCreateInterimProdCmd");
  Done("class Panel");
  Done("ok");
  std::string script = _Live->Script();
  // Without the OK the replay ends with the panel open and nothing created.
  script.replace(script.find("\nok\n"), 4, "\n");
  _Live->End();
  _Live.reset();
  EXPECT_GT(Replay(script), 0);
}

TEST_F(Live, ANewSessionStartsOverWithItsFaultPlanInTheReplay) {
  Done("start VexStrCreateInterimProdCmd");
  _Live->Restart({{23}, {"CreateInterimProduct:SystemError"}, {"SetPartNumber@Block A=-1"}});
  const json view = _Live->View();
  EXPECT_FALSE(view["running"].get<bool>());
  EXPECT_EQ(view["script"]["lines"], 0);
  EXPECT_EQ(view["faults"]["failAlloc"], json{23});
  const std::string script = _Live->Script();
  EXPECT_NE(script.find(
                "#@ args: --fail-alloc 23 --raise CreateInterimProduct:SystemError --status 'SetPartNumber@Block A=-1' "
                "--check --resources "),
            std::string::npos)
      << script;
  // The plan counts from the new session's start: the 23rd allocation is the part-number frame's.
  Done("start VexStrCreateInterimProdCmd");
  EXPECT_EQ(_Live->View()["faults"]["injected"], 1);
}

}  // namespace
}  // namespace vexweb
