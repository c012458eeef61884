// What the validator reads from the host: the actions a person can take in the shown dialogs, the
// sample texts, and the digest that tells states apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "TestModules.h"
#include "drive/DefaultDocument.h"
#include "drive/Text.h"
#include "validator/case/Actions.h"
#include "vexhost/Hands.h"
#include "vexhost/Session.h"

using namespace vexvalidator;
using namespace vexvalidatortest;

namespace {

class Exploration : public ::testing::Test {
 protected:
  void SetUp() override {
    Load(VEX_MODULE_PATH);
    _Session.emplace(vexhost::SessionOptions{{VEX_RESOURCE_DIR}});
    _Session->OpenDocument(vexdrive::DefaultDocument());
  }
  void TearDown() override {
    _Session->CancelRunningCommand();
    EXPECT_TRUE(_Session->Accounting().Clean()) << _Session->Accounting().Text();
    _Session.reset();
  }
  vexhost::Session& Host() { return *_Session; }

 private:
  std::optional<vexhost::Session> _Session;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST_F(Exploration, ThePanelOffersWhatAPersonCanDoThere) {
  Host().StartCommand(Command);
  const std::vector<std::string> actions = PossibleLines(Host());
  EXPECT_TRUE(Has(actions, "press InterimProductPanel/Cancel"));
  EXPECT_TRUE(Has(actions, "close InterimProductPanel"));
  EXPECT_FALSE(Has(actions, "press InterimProductPanel/OK")) << "OK is insensitive until a class is chosen";
  // The classes of the frame's family, as its browser offers them.
  for (const auto& offered : vexhost::Hands(Host()).Browse(Panel, "frmClass")) {
    EXPECT_TRUE(Has(actions, "browse InterimProductPanel/frmClass " + offered)) << offered;
  }
  EXPECT_TRUE(Has(actions, "choose InterimProductPanel/frmClass \"Typed Class\""));
  EXPECT_TRUE(Has(actions, "type InterimProductPanel/editorpartnumber \"\""));
  const auto typed = std::count_if(actions.begin(), actions.end(), [](const std::string& line) {
    return line.rfind("type InterimProductPanel/editorpartnumber ", 0) == 0;
  });
  // One line for each text drawn for the editor as it is shown now.
  const Scene scene = LookAt(Host());
  const vexhost::WidgetView* editor = nullptr;
  for (const auto& window : scene.Windows) {
    if (window.Name == Panel) editor = window.Find("editorpartnumber");
  }
  ASSERT_NE(editor, nullptr);
  const EditorShape shape{editor->Lines.empty() ? std::string() : editor->Lines.front(), editor->VisibleTextWidth,
                          editor->MaxCharacterWidth};
  EXPECT_EQ(typed, static_cast<long>(SampleTexts(shape).size()));
  EXPECT_GT(typed, 4) << "texts drawn from what the editor shows, besides the four fixed ones";
  // The class frame's own editor is used by choosing a class, not by typing into it.
  for (const auto& line : actions) EXPECT_EQ(line.find("ClassEditor"), std::string::npos) << line;

  vexhost::Hands(Host()).ChooseClass(Panel, "frmClass", "Block");
  EXPECT_TRUE(Has(PossibleLines(Host()), "press InterimProductPanel/OK"));
}

TEST_F(Exploration, AnErrorBoxIsOnlyAcknowledged) {
  Host().SetActivePath({"Hull", "Block B"});
  Host().StartCommand(Command);
  EXPECT_EQ(PossibleLines(Host()), std::vector<std::string>{"acknowledge VexStrErrorBox"});
}

TEST_F(Exploration, NothingShownOffersNothing) {
  Host().RemoveEditor();
  Host().StartCommand(Command);
  EXPECT_TRUE(PossibleLines(Host()).empty());
}

TEST_F(Exploration, StatesAreToldApartByDialogsAndProducts) {
  Host().StartCommand(Command);
  const std::string started = StateFingerprint(Host());
  EXPECT_EQ(StateFingerprint(Host()), started) << "looking changes nothing";
  vexhost::Hands hands(Host());
  hands.Type(Panel, "editorpartnumber", "BA-999");
  const std::string typed = StateFingerprint(Host());
  EXPECT_NE(typed, started);
  hands.Type(Panel, "editorpartnumber", "BA-200");
  EXPECT_EQ(StateFingerprint(Host()), started) << "the same text again is the same state";
  hands.ChooseClass(Panel, "frmClass", "Panel");
  hands.PressOK(Panel);
  const std::string created = StateFingerprint(Host());
  EXPECT_NE(created, started);
  EXPECT_EQ(Host().RunningCommand(), nullptr);
}

TEST(SampleTexts, FillTheEditorExactlyAndCrossAscii) {
  const std::vector<std::string> samples = SampleTexts(72);
  ASSERT_GE(samples.size(), 4U);
  EXPECT_EQ(samples[0], "");
  EXPECT_TRUE(std::all_of(samples[1].begin(), samples[1].end(), [](unsigned char c) { return c < 0x80; }));
  EXPECT_FALSE(std::all_of(samples[2].begin(), samples[2].end(), [](unsigned char c) { return c < 0x80; }));
  EXPECT_EQ(vexdrive::Width(samples[3]), 72);
  EXPECT_GT(samples[3].size(), 72U) << "the widest text holds a character of more than one byte";
  EXPECT_EQ(vexdrive::Width(SampleTexts(0)[3]), 256) << "an editor without a maximum gets a long text";
}

TEST(SampleTexts, AreDrawnFromWhatTheEditorShowsAndItsWidths) {
  const std::vector<std::string> samples = SampleTexts(EditorShape{"A2", 4, 8});
  const std::vector<std::string> old = SampleTexts(8);
  EXPECT_EQ(std::vector<std::string>(samples.begin(), samples.begin() + 4),
            std::vector<std::string>(old.begin(), old.begin() + 4))
      << "the texts typed before come first, as they were";
  for (const char* drawn : {"A2", "A2123456", "A2abcdef", "123", "12345", "12345678", "   "}) {
    EXPECT_EQ(std::count(samples.begin(), samples.end(), drawn), 1) << drawn;
  }
  EXPECT_EQ(samples.size(), 11U);
  for (const auto& sample : samples) EXPECT_LE(vexdrive::Width(sample), 8) << "past the maximum: " << sample;
  // A text lengthened to the maximum, typed and shown in turn, draws nothing new but itself: the
  // drawn texts do not lengthen without end.
  const std::vector<std::string> blank = SampleTexts(EditorShape{"", 4, 8});
  for (const auto& next : SampleTexts(EditorShape{"A2123456", 4, 8})) {
    EXPECT_TRUE(next == "A2123456" || std::count(blank.begin(), blank.end(), next) == 1) << next;
  }
  // A shown text of digits draws no digits one longer, and nothing is typed twice.
  const std::vector<std::string> digits = SampleTexts(EditorShape{"12", 0, 4});
  EXPECT_EQ(std::set<std::string>(digits.begin(), digits.end()).size(), digits.size());
  EXPECT_EQ(std::count(digits.begin(), digits.end(), "123"), 0);
  EXPECT_EQ(std::count(digits.begin(), digits.end(), "1234"), 1);
}
