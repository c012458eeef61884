// The page's recording of sessions of modules other than the interim-product one: the script it
// gives replays clean under `vexhost --script`, with the module, resources and document it was
// recorded with named in its header and quoted for the shell, and closes with checks that serve
// any module's dialogs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

#include "drive/DefaultDocument.h"
#include "drive/Errors.h"
#include "drive/Options.h"
#include "drive/Startup.h"
#include "vexhost/Session.h"
#include "web/LiveSession.h"
#include "web/Recording.h"
#include "web/tests/PageTestSupport.h"

namespace vexweb {
namespace {

namespace fs = std::filesystem;

// A folder whose name a shell would split and a careless quoting would break.
fs::path AwkwardFolder() {
  static const fs::path folder = [] {
    fs::path made =
        fs::temp_directory_path() / ("vexweb recording " + std::to_string(::getpid())) / "it's a \"$(folder)\"";
    fs::create_directories(made);
    return made;
  }();
  return folder;
}

// The modules are loaded from the awkward folder, so that every replay names them there.
fs::path CopiedModule(const char* built) {
  const fs::path copy = AwkwardFolder() / fs::path(built).filename();
  fs::copy_file(built, copy, fs::copy_options::overwrite_existing);
  return copy;
}

constexpr const char* ShipJson = R"({
  "name": "Ship",
  "classes": ["Block"],
  "active": "Hull/Block A",
  "root": {"name": "Hull", "partNumber": "H-100",
           "children": [{"name": "Block A", "partNumber": "BA-200"}, {"name": "Block B", "partNumber": "BB-300"}]}
})";

struct Replayed {
  int Code = -1;
  std::string Output;
};

class Recorded : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RenamePart = CopiedModule(VEXWEB_RENAME_PART);
    NumberParts = CopiedModule(VEXWEB_NUMBER_PARTS);
    Document = AwkwardFolder() / "ship document.json";
    std::ofstream(Document) << ShipJson;
    vexdrive::LoadModule(RenamePart.string());
    vexdrive::LoadModule(NumberParts.string());
  }
  static void TearDownTestSuite() { fs::remove_all(AwkwardFolder().parent_path()); }

  void Open(const fs::path& module) {
    _Options.Module = module.string();
    _Options.Resources = VEXWEB_RESOURCES;
    _Options.ModuleProfile = Ours();
    _Options.Document = Document.string();
    _Live = std::make_unique<LiveSession>(vexhost::ReadDocumentFile(_Options.Document), _Options);
  }
  void TearDown() override {
    if (_Live) {
      EXPECT_TRUE(_Live->End().Clean());
    }
    _Live.reset();
    EXPECT_EQ(vexhost::Session::LiveObjects(), 0);
  }

  void Done(const std::string& line) { EXPECT_EQ(_Live->Act(LineAction(line)).Refusal, "") << line; }

  // Saves the script and runs the replay command its header shows, as a person pasting it would
  // (with this build's vexhost), in a folder of its own.
  Replayed Replay(const std::string& script) const {
    const fs::path folder = AwkwardFolder() / "replay";
    fs::create_directories(folder);
    std::ofstream(folder / "session.vex") << script;
    const std::string shown =
        script.substr(script.find("#   vexhost ") + 12,
                      script.find('\n', script.find("#   vexhost ")) - script.find("#   vexhost ") - 12);
    const fs::path output = folder / "output.txt";
    const std::string command = "cd " + ShellWord(folder.string()) + " && " + ShellWord(VEXWEB_VEXHOST) + " " + shown +
                                " > " + ShellWord(output.string()) + " 2>&1";
    const int status = std::system(command.c_str());
    std::stringstream printed;
    printed << std::ifstream(output).rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, printed.str()};
  }

  static fs::path RenamePart;
  static fs::path NumberParts;
  static fs::path Document;
  vexdrive::Options _Options;
  std::unique_ptr<LiveSession> _Live;
};

fs::path Recorded::RenamePart;
fs::path Recorded::NumberParts;
fs::path Recorded::Document;

TEST_F(Recorded, ARenamePartSessionReplaysCleanWithTheModuleResourcesAndDocumentItRan) {
  Open(RenamePart);
  Done("start VexExRenamePartCmd");
  Done("type RenamePartDialog/editorname \"BA 201 'x'\"");
  Done("press RenamePartDialog/OK");
  Done("active Hull/Block B");
  Done("start VexExRenamePartCmd");
  const std::string script = _Live->Script();
  // The page shows the command the header holds, and its words each quoted for the shell.
  const nlohmann::json shown = _Live->View()["script"];
  const std::string command = shown["replayCommand"].get<std::string>();
  EXPECT_NE(script.find("#   " + command + "\n"), std::string::npos) << command << "\n" << script;
  std::string joined = "vexhost";
  for (const auto& word : shown["replay"]) joined += " " + word.get<std::string>();
  EXPECT_EQ(joined + " --script session.vex", command);
  EXPECT_NE(script.find("--module " + ShellWord(RenamePart.string())), std::string::npos) << script;
  EXPECT_NE(script.find("--document " + ShellWord(Document.string())), std::string::npos) << script;
  EXPECT_NE(script.find("--resources " + ShellWord(fs::path(VEXWEB_RESOURCES).lexically_normal().string())),
            std::string::npos)
      << script;
  EXPECT_NE(script.find("\nexpect dialog RenamePartDialog shown\n"), std::string::npos) << script;
  EXPECT_NE(script.find("\nexpect text RenamePartDialog/editorname BB-300\n"), std::string::npos) << script;
  EXPECT_NE(script.find("\nexpect sensitive RenamePartDialog/OK on\n"), std::string::npos) << script;
  EXPECT_NE(script.find("\nexpect partnumber \"Hull/Block A\" \"BA 201 'x'\"\n"), std::string::npos) << script;
  _Live->End();
  _Live.reset();
  const Replayed replayed = Replay(script);
  EXPECT_EQ(replayed.Code, 0) << replayed.Output;
  EXPECT_EQ(replayed.Output.find("FAILED"), std::string::npos) << replayed.Output;
  EXPECT_NE(replayed.Output.find("module libVexExRenamePart.so loaded"), std::string::npos) << replayed.Output;
}

TEST_F(Recorded, ANumberPartsSessionClosesWithItsDialogsAsAPersonSawThem) {
  Open(NumberParts);
  Done("start VexExNumberPartsCmd");
  Done("type NumberPartsPanel/editorprefix BA-");
  Done("type NumberPartsPanel/editornumber 0201");
  Done("press NumberPartsPanel/OK");
  const std::string script = _Live->Script();
  for (const char* check :
       {"expect running yes", "expect dialog NumberPartsPanel shown",
        "expect title NumberPartsPanel \"Number the active product\"", "expect sensitive NumberPartsPanel/OK off",
        "expect sensitive NumberPartsPanel/editornumber off", "expect text NumberPartsPanel/editornumber 0201",
        "expect dialog ConfirmNumbering shown",
        "expect text ConfirmNumbering/labelquestion \"Replace BA-200 with BA-0201?\"",
        "expect sensitive ConfirmNumbering/OK on", "expect dialog NumberPartsError hidden"}) {
    EXPECT_NE(script.find(std::string("\n") + check + "\n"), std::string::npos) << check << "\n" << script;
  }
  _Live->End();
  _Live.reset();
  const Replayed replayed = Replay(script);
  EXPECT_EQ(replayed.Code, 0) << replayed.Output;
  EXPECT_EQ(replayed.Output.find("FAILED"), std::string::npos) << replayed.Output;
}

TEST_F(Recorded, AReplayThatEndsOtherwiseFailsTheClosingChecks) {
  Open(NumberParts);
  Done("start VexExNumberPartsCmd");
  Done("type NumberPartsPanel/editornumber 12x");
  Done("press NumberPartsPanel/OK");
  std::string script = _Live->Script();
  EXPECT_NE(script.find("\nexpect text NumberPartsError \"The number must be digits only, not \\\"12x\\\".\"\n"),
            std::string::npos)
      << script;
  const std::string pressed = "\npress NumberPartsPanel/OK\n";
  script.replace(script.find(pressed), pressed.size(), "\n");
  _Live->End();
  _Live.reset();
  const Replayed replayed = Replay(script);
  EXPECT_EQ(replayed.Code, 1) << replayed.Output;
  EXPECT_NE(replayed.Output.find("FAILED: expected NumberPartsError shown; found NumberPartsError hidden"),
            std::string::npos)
      << replayed.Output;
}

TEST_F(Recorded, APathThatNoScriptLineCanHoldIsRefusedWhenTheSessionOpens) {
  for (const std::string bad : {"ship\ndocument.json", "ship\tdocument.json", "ship\x1b[2Jdocument.json",
                                "ship\xc2\x85"
                                "document.json",
                                "ship\xff.json"}) {
    vexdrive::Options options;
    options.Module = RenamePart.string();
    options.Resources = VEXWEB_RESOURCES;
    options.Document = (AwkwardFolder() / bad).string();
    Recording recording;
    try {
      recording.Begin(options);
      ADD_FAILURE() << "accepted " << options.Document;
    } catch (const vexdrive::BadInput& refused) {
      EXPECT_NE(std::string(refused.what()).find("--document"), std::string::npos) << refused.what();
      EXPECT_NE(std::string(refused.what()).find("a recorded session could not name it"), std::string::npos)
          << refused.what();
      EXPECT_EQ(std::string(refused.what()).find('\n'), std::string::npos) << "the message itself holds no line break";
    }
  }
}

TEST(ShellWords, AWordReadsBackAsItIsWrittenWhateverItHolds) {
  EXPECT_EQ(ShellWord("--check"), "--check");
  EXPECT_EQ(ShellWord("/a/b-c_d.so"), "/a/b-c_d.so");
  EXPECT_EQ(ShellWord("SetPartNumber@Block A=-1"), "'SetPartNumber@Block A=-1'");
  EXPECT_EQ(ShellWord("it's"), "'it'\\''s'");
  EXPECT_EQ(ShellWord(""), "''");
  for (const std::string word : {"$(touch pwned)", "`id`", "a;b", "a|b", "*", "~", "#x", "a\\b", "!x", "{a,b}"}) {
    const std::string quoted = ShellWord(word);
    ASSERT_GE(quoted.size(), 2U) << word;
    EXPECT_EQ(quoted.front(), '\'') << word;
    EXPECT_EQ(quoted.back(), '\'') << word;
    // Read back by a shell: the same word.
    const std::string command = "printf %s " + quoted;
    FILE* shell = ::popen(command.c_str(), "r");
    ASSERT_NE(shell, nullptr);
    std::string read;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, shell) != nullptr) read += buffer;
    ::pclose(shell);
    EXPECT_EQ(read, word);
  }
}

}  // namespace
}  // namespace vexweb
