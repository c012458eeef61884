// The page's view of any module's dialogs (the generic verb of each box, the names assistive
// technology reads, the sensitivity a person meets, the title a person sees), the page's actions
// as generic script lines, the journal's failing statuses and the accounting's calm; then the same
// through a live session with this project's module and with the rename-part example.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "drive/DefaultDocument.h"
#include "drive/Layout.h"
#include "drive/Startup.h"
#include "vexhost/Journal.h"
#include "vexhost/Session.h"
#include "web/LiveSession.h"
#include "web/PageActions.h"
#include "web/PageView.h"
#include "web/tests/PageTestSupport.h"

namespace vexweb {
namespace {

using nlohmann::json;
using vexhost::WidgetView;

WidgetView Widget(const std::string& host, const std::string& name, std::vector<WidgetView> children = {}) {
  WidgetView view;
  view.Class = host;
  view.Name = name;
  view.Children = std::move(children);
  return view;
}

WidgetView Titled(WidgetView view, const std::string& title) {
  view.Title = title;
  return view;
}

WidgetView Greyed(WidgetView view) {
  view.Sensitive = false;
  return view;
}

WidgetView Dialog(const std::string& name, const std::string& title, std::vector<WidgetView> children) {
  WidgetView view = Titled(Widget("VexDlgDialog", name, std::move(children)), title);
  view.HasOK = true;
  return view;
}

WidgetView MessageBox(const std::string& host, const std::string& name, const std::string& text) {
  WidgetView view = Widget(host, name);
  view.HasOK = true;
  view.Lines = {text};
  return view;
}

json Picture(const std::vector<WidgetView>& windows) { return PictureJson(vexdrive::LayOut(windows), windows); }

const json& BoxOf(const json& picture, const std::string& window, const std::string& name, const std::string& kind) {
  for (const auto& box : picture["boxes"]) {
    if (box["window"] == window && box["name"] == name && box["kind"] == kind) return box;
  }
  throw std::runtime_error("no " + kind + " " + window + "/" + name + " in " + picture.dump());
}

// "verb target" of the box's act, or "".
std::string ActOf(const json& box, const char* key = "act") {
  if (!box.contains(key)) return "";
  return box[key]["verb"].get<std::string>() + " " + box[key]["target"].get<std::string>();
}

// A dialog of another module: a prefix editor after its label, a class frame with its editor and
// browser button, an editor with a resource text, a button of its own.
WidgetView Booking() {
  return Dialog(
      "Booking", "Book a slot",
      {Titled(Widget("VexDlgLabel", "lblPrefix"), "Prefix:"), Widget("VexDlgEditor", "edPrefix"),
       Titled(Widget("VexStrObjectClassFrame", "frmKind",
                     {Widget("VexDlgEditor", "edKind"), Titled(Widget("VexDlgPushButton", "btnKind"), "...")}),
              "Kind"),
       Titled(Widget("VexDlgEditor", "edCount"), "Number of slots"),
       Titled(Widget("VexDlgPushButton", "btnHelp"), "Help")});
}

TEST(ViewOfAnyDialog, EachBoxNamesTheGenericVerbItTakes) {
  const json picture = Picture({Booking()});
  const json& window = BoxOf(picture, "Booking", "Booking", "window");
  EXPECT_EQ(window["title"], "Book a slot");
  EXPECT_EQ(ActOf(window), "close Booking");
  EXPECT_EQ(ActOf(window, "escape"), "press Booking/Cancel");
  EXPECT_EQ(ActOf(BoxOf(picture, "Booking", "edPrefix", "editor")), "type Booking/edPrefix");
  EXPECT_EQ(ActOf(BoxOf(picture, "Booking", "edKind", "editor")), "choose Booking/frmKind");
  EXPECT_EQ(ActOf(BoxOf(picture, "Booking", "btnKind", "button")), "browse Booking/frmKind");
  EXPECT_EQ(ActOf(BoxOf(picture, "Booking", "btnHelp", "button")), "") << "no module hears a push button's press";
  EXPECT_EQ(ActOf(BoxOf(picture, "Booking", "OK", "button")), "press Booking/OK");
  EXPECT_EQ(ActOf(BoxOf(picture, "Booking", "Cancel", "button")), "press Booking/Cancel");
  EXPECT_EQ(ActOf(BoxOf(picture, "Booking", "lblPrefix", "label")), "");
  EXPECT_EQ(ActOf(BoxOf(picture, "Booking", "frmKind", "frame")), "");
}

// A push button other than a class frame's browser, and a combo, are drawn but offer nothing to
// do: a press would only be refused, as no module hears it.
TEST(ViewOfAnyDialog, AWidgetNoModuleHearsIsThereButOffersNothing) {
  WidgetView combo = Widget("VexDlgCombo", "cbLevel");
  combo.Lines = {"2"};
  combo.Shown = 0;
  const json picture = Picture({Dialog("Levels", "Levels", {combo, Titled(Widget("VexDlgPushButton", "OK"), "OK")})});
  const json& level = BoxOf(picture, "Levels", "cbLevel", "combo");
  EXPECT_EQ(level.value("inert", false), true);
  EXPECT_EQ(ActOf(level), "");
  std::vector<std::string> buttons;
  for (const auto& box : picture["boxes"]) {
    if (box["kind"] == "button")
      buttons.push_back(box["name"].get<std::string>() + (box.value("inert", false) ? " inert" : "") + ": " +
                        ActOf(box));
  }
  // The dialog's own OK is heard; a push button of its own named OK is not, and is not taken for it.
  EXPECT_EQ(buttons, (std::vector<std::string>{"OK inert: ", "OK: press Levels/OK", "Cancel: press Levels/Cancel"}));
  const json booking = Picture({Booking()});
  EXPECT_EQ(BoxOf(booking, "Booking", "btnHelp", "button").value("inert", false), true);
  EXPECT_EQ(BoxOf(booking, "Booking", "btnKind", "button").value("inert", false), false);
}

TEST(ViewOfAnyDialog, EditorsAndButtonsAreNamedByWhatAPersonSeesAroundThem) {
  const json picture = Picture({Booking(), Dialog("Bare", "A bare dialog", {Widget("VexDlgEditor", "edOnly")})});
  EXPECT_EQ(BoxOf(picture, "Booking", "edPrefix", "editor")["label"], "Prefix:");         // the label before it
  EXPECT_EQ(BoxOf(picture, "Booking", "edKind", "editor")["label"], "Kind");              // its frame
  EXPECT_EQ(BoxOf(picture, "Booking", "edCount", "editor")["label"], "Number of slots");  // its own text
  EXPECT_EQ(BoxOf(picture, "Booking", "btnKind", "button")["label"], "Browse the classes: Kind");
  EXPECT_EQ(BoxOf(picture, "Booking", "btnHelp", "button")["label"], "Help");
  EXPECT_EQ(BoxOf(picture, "Bare", "edOnly", "editor")["label"], "A bare dialog");  // its window
}

TEST(ViewOfAnyDialog, AMessageBoxIsAcknowledgedAndTitledAsAPersonSeesIt) {
  WidgetView titled = MessageBox("VexDlgNotify", "SaveNotice", "Saved.");
  titled.Title = "Saving";
  const json picture = Picture({MessageBox("VexStrErrorBox", "VexStrErrorBox", "Released: nothing can be added"),
                                MessageBox("VexDlgNotify", "PlainNotice", "Done."), titled});
  const json& error = BoxOf(picture, "VexStrErrorBox", "VexStrErrorBox", "window");
  EXPECT_EQ(error["title"], "Error");
  EXPECT_FALSE(error.contains("act")) << "a message box has no close box";
  EXPECT_EQ(ActOf(error, "escape"), "acknowledge VexStrErrorBox");
  EXPECT_EQ(ActOf(BoxOf(picture, "VexStrErrorBox", "OK", "button")), "acknowledge VexStrErrorBox");
  EXPECT_EQ(BoxOf(picture, "VexStrErrorBox", "", "message")["lines"], json{"Released: nothing can be added"});
  EXPECT_EQ(BoxOf(picture, "PlainNotice", "PlainNotice", "window")["title"], "Message");
  EXPECT_EQ(BoxOf(picture, "SaveNotice", "SaveNotice", "window")["title"], "Saving");
}

TEST(ViewOfAnyDialog, AnInsensitiveWindowOrFrameGreysEverythingInIt) {
  const json greyedWindow = Picture({Greyed(Booking())});
  for (const auto& box : greyedWindow["boxes"]) EXPECT_FALSE(box["sensitive"].get<bool>()) << box.dump();

  WidgetView booking = Booking();
  booking.Children[2] = Greyed(booking.Children[2]);  // the class frame
  const json greyedFrame = Picture({booking});
  EXPECT_FALSE(BoxOf(greyedFrame, "Booking", "frmKind", "frame")["sensitive"].get<bool>());
  EXPECT_FALSE(BoxOf(greyedFrame, "Booking", "edKind", "editor")["sensitive"].get<bool>());
  EXPECT_FALSE(BoxOf(greyedFrame, "Booking", "btnKind", "button")["sensitive"].get<bool>());
  EXPECT_TRUE(BoxOf(greyedFrame, "Booking", "edPrefix", "editor")["sensitive"].get<bool>());
  EXPECT_TRUE(BoxOf(greyedFrame, "Booking", "OK", "button")["sensitive"].get<bool>());
  EXPECT_TRUE(BoxOf(greyedFrame, "Booking", "Booking", "window")["sensitive"].get<bool>());
}

TEST(ViewOfAnyDialog, NamesNoScriptWordCanHoldGetNoAct) {
  const json picture =
      Picture({Dialog("My dialog", "Spaced", {Widget("VexDlgEditor", "ed")}),
               Dialog("Quoted", "Quoted", {Widget("VexDlgEditor", "say \"hi\""), Widget("VexDlgEditor", "plain")}),
               Dialog("#Hash", "Hash", {Widget("VexDlgEditor", "ed")})});
  const json& spaced = BoxOf(picture, "My dialog", "My dialog", "window");
  EXPECT_EQ(ActOf(spaced), "close My dialog");  // a dialog alone is one quoted word
  EXPECT_EQ(ActOf(spaced, "escape"), "close My dialog");
  EXPECT_EQ(ActOf(BoxOf(picture, "My dialog", "ed", "editor")), "");
  EXPECT_EQ(ActOf(BoxOf(picture, "My dialog", "OK", "button")), "");
  EXPECT_EQ(ActOf(BoxOf(picture, "Quoted", "say \"hi\"", "editor")), "");
  EXPECT_EQ(ActOf(BoxOf(picture, "Quoted", "plain", "editor")), "type Quoted/plain");
  EXPECT_EQ(ActOf(BoxOf(picture, "#Hash", "ed", "editor")), "");
}

TEST(PageActions, GenericVerbsNameTheirDialogOrWidget) {
  EXPECT_EQ(ScriptLineFor({{"verb", "press"}, {"target", "Booking/OK"}}), "press Booking/OK");
  EXPECT_EQ(ScriptLineFor({{"verb", "type"}, {"target", "Booking/edPrefix"}, {"text", "AB 12"}}),
            "type Booking/edPrefix AB 12");
  EXPECT_EQ(ScriptLineFor({{"verb", "type"}, {"target", "Booking/edPrefix"}, {"text", ""}}),
            "type Booking/edPrefix \"\"");
  EXPECT_EQ(ScriptLineFor({{"verb", "type"}, {"target", "Booking/edPrefix"}, {"text", "#1 \"x\""}}),
            "type Booking/edPrefix \"#1 \\\"x\\\"\"");
  EXPECT_EQ(ScriptLineFor({{"verb", "choose"}, {"target", "Booking/frmKind"}, {"text", "Panel"}}),
            "choose Booking/frmKind Panel");
  EXPECT_EQ(ScriptLineFor({{"verb", "choose"}, {"target", "Booking/frmKind"}}), "choose Booking/frmKind \"\"");
  EXPECT_EQ(ScriptLineFor({{"verb", "browse"}, {"target", "Booking/frmKind"}}), "browse Booking/frmKind");
  EXPECT_EQ(ScriptLineFor({{"verb", "browse"}, {"target", "Booking/frmKind"}, {"text", "Sub Block"}}),
            "browse Booking/frmKind Sub Block");
  EXPECT_EQ(ScriptLineFor({{"verb", "close"}, {"target", "My dialog"}}), "close \"My dialog\"");
  EXPECT_EQ(ScriptLineFor({{"verb", "acknowledge"}, {"target", "VexStrErrorBox"}}), "acknowledge VexStrErrorBox");
  // The short forms stay.
  EXPECT_EQ(ScriptLineFor({{"verb", "close"}}), "close");
  EXPECT_EQ(ScriptLineFor({{"verb", "ack"}}), "ack");
}

TEST(PageActions, TargetsAndTextsNoScriptLineCanHoldAreBad) {
  const auto status = [](const json& action) {
    try {
      ScriptLineFor(action);
    } catch (const BadRequest& bad) {
      return bad.Status();
    }
    return 0;
  };
  for (const json& action :
       {json{{"verb", "press"}}, json{{"verb", "press"}, {"target", "Booking"}},
        json{{"verb", "press"}, {"target", "/OK"}}, json{{"verb", "press"}, {"target", "Booking/"}},
        json{{"verb", "press"}, {"target", "My dialog/OK"}}, json{{"verb", "press"}, {"target", "Booking/O K"}},
        json{{"verb", "press"}, {"target", "\"B\"/OK"}}, json{{"verb", "press"}, {"target", "#B/OK"}},
        json{{"verb", "press"}, {"target", 7}}, json{{"verb", "press"}, {"target", "Booking/OK\nok"}},
        json{{"verb", "press"}, {"target", std::string(600, 'a') + "/b"}},
        json{{"verb", "press"}, {"target", "Booking/OK"}, {"text", "x"}},
        json{{"verb", "type"}, {"target", "Booking/ed"}}, json{{"verb", "acknowledge"}},
        json{{"verb", "acknowledge"}, {"target", ""}}, json{{"verb", "start"}, {"target", "X"}},
        json{{"verb", "ok"}, {"target", "Booking"}},
        // C1 control characters (U+0085, U+009B) are control characters too.
        json{{"verb", "type"},
             {"target", "Booking/ed"},
             {"text",
              "a\xC2\x85"
              "b"}},
        json{{"verb", "partnumber"},
             {"text",
              "\xC2\x9B"
              "31m"}}}) {
    EXPECT_EQ(status(action), 400) << action.dump();
  }
}

vexhost::JournalEntry Entry(const std::string& op, std::string_view dir, const std::string& result) {
  vexhost::JournalEntry entry;
  entry.Op = op;
  entry.Dir = std::string(dir);
  entry.Result = result;
  return entry;
}

TEST(PageJournal, CallsTheHostAnsweredWithAFailingStatusAreMarked) {
  vexhost::Journal journal(10);
  for (int i = 0; i < 1200; ++i) journal.Append(Entry("SetLine", vexhost::ModuleToHost, ""));
  journal.Append(Entry("CreateInterimProduct", vexhost::ModuleToHost, "-2147467259"));
  journal.Append(Entry("GetLine", vexhost::ModuleToHost, "0"));
  journal.Append(Entry("Activate", vexhost::HostToModule, "-1"));  // the module's answer, not the host's
  journal.Append(Entry("GetResourceFilename", vexhost::HostToModule, "\"Panel\""));
  const json shown = JournalJson(journal, 3);
  EXPECT_EQ(shown["total"], 1204);
  ASSERT_EQ(shown["entries"].size(), 3U);
  EXPECT_EQ(shown["entries"][0]["number"], 1201);  // numbers in the whole journal, beyond its window
  EXPECT_TRUE(shown["entries"][0].value("failed", false));
  EXPECT_FALSE(shown["entries"][1].value("failed", false));
  EXPECT_FALSE(shown["entries"][2].value("failed", false));
  ASSERT_EQ(shown["failures"].size(), 1U);
  EXPECT_EQ(shown["failures"][0]["number"], 1201);
  EXPECT_EQ(shown["failures"][0]["text"], "CreateInterimProduct() -> -2147467259");
}

TEST(PageAccounting, RedOnlyForWhatIsWrong) {
  vexhost::AccountingReport alive;
  alive.Live = {"VexDlgDialog 'Booking'"};
  alive.Unbalanced = {"factory holds 2 references"};
  EXPECT_FALSE(AccountingJson(alive, true)["problem"].get<bool>()) << "a running command's objects are alive";
  EXPECT_TRUE(AccountingJson(alive, false)["problem"].get<bool>()) << "left alive after the command ended";
  vexhost::AccountingReport overReleased;
  overReleased.OverReleases = {"Release on 'Block A.factory'"};
  EXPECT_TRUE(AccountingJson(overReleased, true)["problem"].get<bool>());
  vexhost::AccountingReport violated;
  violated.Violations = {"SetTitle on a dead object"};
  EXPECT_TRUE(AccountingJson(violated, true)["problem"].get<bool>());
  const json clean = AccountingJson({}, false);
  EXPECT_TRUE(clean["clean"].get<bool>());
  EXPECT_FALSE(clean["problem"].get<bool>());
}

// A live session on the embedded document with this project's module and the rename-part example.
class LivePage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    vexdrive::LoadModule(VEXWEB_MODULE);
    vexdrive::LoadModule(VEXWEB_EXAMPLE_MODULE);
  }
  void SetUp() override {
    _Options.Resources = VEXWEB_RESOURCES;
    _Options.ModuleProfile = Ours();
    _Live = std::make_unique<LiveSession>(vexdrive::DefaultDocument(), _Options);
  }
  void TearDown() override {
    EXPECT_TRUE(_Live->End().Clean());
    _Live.reset();
    EXPECT_EQ(vexhost::Session::LiveObjects(), 0);
  }

  // Does what the page asks for; the outcome, which must not be a refusal.
  ActOutcome Done(const json& action) {
    ActOutcome outcome = _Live->Act(ActionFor(action, Ours()));
    EXPECT_EQ(outcome.Refusal, "") << action.dump();
    return outcome;
  }

  json Box(const std::string& window, const std::string& name, const std::string& kind) {
    return BoxOf(_Live->View()["picture"], window, name, kind);
  }

  vexdrive::Options _Options;
  std::unique_ptr<LiveSession> _Live;
};

TEST_F(LivePage, TheActsOfTheViewWorkTheModulesDialogs) {
  Done({{"verb", "start"}, {"text", "VexStrCreateInterimProdCmd"}});
  const json browser = Box("InterimProductPanel", "ClassBrowser", "button");
  const ActOutcome offer = Done(browser["act"]);
  ASSERT_TRUE(offer.Offer);
  EXPECT_EQ(*offer.Offer, (std::vector<std::string>{"Block", "SubBlock", "Panel", "Assembly"}));
  json choose = browser["act"];
  choose["text"] = "Assembly";
  EXPECT_FALSE(Done(choose).Offer);
  json type = Box("InterimProductPanel", "editorpartnumber", "editor")["act"];
  type["text"] = "BA-9";
  Done(type);
  Done(Box("InterimProductPanel", "OK", "button")["act"]);
  const json blockA = _Live->View()["tree"]["root"]["children"][0];
  EXPECT_EQ(blockA["partNumber"], "BA-9");
  EXPECT_EQ(blockA["children"].back()["interimClass"], "Assembly");

  Done({{"verb", "active"}, {"text", "Hull/Block B"}});
  Done({{"verb", "start"}, {"text", "VexStrCreateInterimProdCmd"}});
  const json error = Box("VexStrErrorBox", "VexStrErrorBox", "window");
  EXPECT_EQ(error["title"], "Error");
  Done(error["escape"]);
  EXPECT_FALSE(_Live->View()["running"].get<bool>());
}

TEST_F(LivePage, ACreationTheHostRefusesIsAmongTheFailures) {
  Done({{"verb", "start"}, {"text", "VexStrCreateInterimProdCmd"}});
  json choose = Box("InterimProductPanel", "ClassEditor", "editor")["act"];
  choose["text"] = "Hovercraft";  // not of the factory's family
  Done(choose);
  const std::size_t before = _Live->View()["journal"]["total"];
  Done(Box("InterimProductPanel", "OK", "button")["act"]);
  const json journal = _Live->View()["journal"];
  ASSERT_FALSE(journal["failures"].empty());
  EXPECT_GT(journal["failures"].back()["number"].get<std::size_t>(), before);
  EXPECT_NE(journal["failures"].back()["text"].get<std::string>().find("CreateInterimProduct"), std::string::npos);
  EXPECT_EQ(_Live->View()["tree"]["root"]["children"][0]["children"].size(), 2U);
}

TEST_F(LivePage, AnotherModulesDialogIsWorkedAndEscapedThroughItsActs) {
  Done({{"verb", "start"}, {"text", "VexExRenamePartCmd"}});
  const json window = Box("RenamePartDialog", "RenamePartDialog", "window");
  EXPECT_EQ(window["title"], "Rename the active product");
  EXPECT_EQ(Box("RenamePartDialog", "editorname", "editor")["lines"], json{"BA-200"});
  json type = Box("RenamePartDialog", "editorname", "editor")["act"];
  type["text"] = "RN-7";
  Done(type);
  Done(Box("RenamePartDialog", "OK", "button")["act"]);
  EXPECT_EQ(_Live->View()["tree"]["root"]["children"][0]["partNumber"], "RN-7");
  EXPECT_FALSE(_Live->View()["running"].get<bool>());

  Done({{"verb", "start"}, {"text", "VexExRenamePartCmd"}});
  Done(Box("RenamePartDialog", "RenamePartDialog", "window")["escape"]);
  EXPECT_FALSE(_Live->View()["running"].get<bool>());
  Done({{"verb", "start"}, {"text", "VexExRenamePartCmd"}});
  Done(Box("RenamePartDialog", "RenamePartDialog", "window")["act"]);  // the close box
  EXPECT_FALSE(_Live->View()["running"].get<bool>());
  EXPECT_EQ(_Live->Script().find("press InterimProductPanel"), std::string::npos);
}

}  // namespace
}  // namespace vexweb
