// A slow finding stays only when its own replay, run by the host program in a process of its own,
// fails on the steps' time. A stand-in for the host program writes down what it was given and
// exits as a replay would.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "validator/SlowConfirmation.h"
#include "validator/case/Rules.h"

using namespace vexvalidator;

namespace {

class SlowConfirmation : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexslowtest-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    _Dir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(_Dir); }

  // A host program that keeps its arguments and the script it was given, then exits so.
  std::string Host(const std::string& exit) {
    const std::filesystem::path host = _Dir / "host";
    std::ofstream(host) << "#!/bin/sh\n"
                        << "echo \"$@\" >" << (_Dir / "args") << "\n"
                        << "for last; do :; done; cp \"$last\" " << (_Dir / "script") << "\n"
                        << exit << "\n";
    std::filesystem::permissions(host, std::filesystem::perms::owner_all);
    return host.string();
  }
  std::string Kept(const char* name) const {
    std::ifstream file(_Dir / name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::filesystem::path _Dir;
};

Outcome SlowAndLeak() {
  Outcome outcome;
  outcome.Module = "/modules/libVexExample.so";
  outcome.Resources = "/resources";
  outcome.SlowMs = 250;
  const Finding slow{kind::Slow, "`press Dialog/OK` took longer than 250 ms, longer than a person waits"};
  const Finding leak{kind::Leak, "VexDialogAgent(Agent) is still alive"};
  const Occurrence slowCase{
      slow, {Phase::Exploration, "VexExampleCmd", "", {"start VexExampleCmd", "press Dialog/OK"}, 0}, 1};
  const Occurrence leakCase{leak, {Phase::Exploration, "VexExampleCmd", "", {"start VexExampleCmd"}, 0}, -1};
  outcome.Findings.push_back({slow, slowCase, 1, {{Phase::Exploration, 1}}, "", {}, 0.3});
  outcome.Findings.push_back({leak, leakCase, 1, {{Phase::Exploration, 1}}, "", {}, 0.0});
  outcome.Tests.push_back({"VexExampleCmd.exploration", "press Dialog/OK", 1, false, {slow, leak}});
  return outcome;
}

}  // namespace

TEST_F(SlowConfirmation, AReplayThatKeepsToTheBoundDropsTheSlowFindingAndSaysSo) {
  Outcome outcome = SlowAndLeak();
  ConfirmSlowByReplay(outcome, Host("exit 0"), 10000);
  ASSERT_EQ(outcome.Findings.size(), 1U);
  EXPECT_EQ(outcome.Findings[0].What.Kind, kind::Leak);
  EXPECT_EQ(outcome.Tests[0].Failures, std::vector<Finding>{outcome.Findings[0].What});
  ASSERT_EQ(outcome.Notes.size(), 1U);
  EXPECT_NE(outcome.Notes[0].find("not slow in its own replay"), std::string::npos);
  EXPECT_NE(outcome.Notes[0].find("`press Dialog/OK`"), std::string::npos);
  // The replay ran the case's lines against this module, then the expectation on the steps' time.
  EXPECT_NE(Kept("args").find("--module /modules/libVexExample.so --resources /resources --script "),
            std::string::npos);
  EXPECT_EQ(Kept("args").find("--check"), std::string::npos);
  const std::string script = Kept("script");
  EXPECT_NE(script.find("start VexExampleCmd\n# the next line is where it happened\npress Dialog/OK\n"),
            std::string::npos);
  EXPECT_NE(script.find("expect steps within 250\n"), std::string::npos);
}

TEST_F(SlowConfirmation, AReplayThatIsSlowAgainOrCannotRunToItsEndKeepsTheFinding) {
  for (const std::string exit : {"exit 1", "exit 2", "kill -9 $$", "sleep 5"}) {
    Outcome outcome = SlowAndLeak();
    ConfirmSlowByReplay(outcome, Host(exit), 500);
    EXPECT_EQ(outcome.Findings.size(), 2U) << exit;
    EXPECT_EQ(outcome.Tests[0].Failures.size(), 2U) << exit;
    EXPECT_TRUE(outcome.Notes.empty()) << exit;
  }
  Outcome outcome = SlowAndLeak();
  ConfirmSlowByReplay(outcome, (_Dir / "no-such-host").string(), 500);
  EXPECT_EQ(outcome.Findings.size(), 2U);
}

TEST_F(SlowConfirmation, WithoutASlowFindingNoReplayRuns) {
  Outcome outcome = SlowAndLeak();
  outcome.Findings.erase(outcome.Findings.begin());
  ConfirmSlowByReplay(outcome, Host("exit 0"), 10000);
  EXPECT_EQ(outcome.Findings.size(), 1U);
  EXPECT_FALSE(std::filesystem::exists(_Dir / "args"));
}
