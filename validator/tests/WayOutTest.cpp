// The search for a way out, on graphs of states as the explorer would tell them: which states a
// person can leave, which strand a person, and what is run next to find out.
#include <gtest/gtest.h>

#include "validator/exploration/WayOut.h"

using namespace vexvalidator;

namespace {

Path At(std::vector<std::string> steps) { return {"Cmd", std::move(steps)}; }

const std::vector<std::string> PanelActions{"press P/OK", "press P/Cancel", "close P", "type P/editor x"};

}  // namespace

TEST(WayOut, AStateWithAnActionThatEndsTheCommandIsLeftAndNothingMoreIsRun) {
  WayOut search;
  search.Reached(At({"start Cmd"}), "", "panel", true, {"press P/Cancel"});
  search.Reached(At({"start Cmd", "press P/Cancel"}), "panel", "ended", false, {});
  EXPECT_TRUE(search.Next({}).empty());
  const WayOut::Verdict verdict = search.Conclude("Cmd");
  EXPECT_TRUE(verdict.Stranded.empty());
  EXPECT_EQ(verdict.Unknown, 0);
}

TEST(WayOut, AStateWhoseEveryActionLeadsBackStrandsAPersonAndSoDoesWhatLeadsOnlyThere) {
  WayOut search;
  search.Reached(At({"start Cmd"}), "", "panel", true, {"press P/OK", "press P/Cancel"});
  // OK ends; Cancel leads to a trap whose every action leads back into it.
  search.Reached(At({"start Cmd", "press P/OK"}), "panel", "ended", false, {});
  search.Reached(At({"start Cmd", "press P/Cancel"}), "panel", "trap", true, {"press P/Cancel", "close P"});
  search.Reached(At({"start Cmd", "press P/Cancel", "press P/Cancel"}), "trap", "trap", true,
                 {"press P/Cancel", "close P"});
  search.Reached(At({"start Cmd", "press P/Cancel", "close P"}), "trap", "trap", true, {"press P/Cancel", "close P"});
  EXPECT_TRUE(search.Next({}).empty()) << "every action of every state was run";
  const WayOut::Verdict verdict = search.Conclude("Cmd");
  ASSERT_EQ(verdict.Stranded.size(), 1U);
  EXPECT_EQ(verdict.Stranded[0].Where.Steps, (std::vector<std::string>{"start Cmd", "press P/Cancel"}))
      << "the shortest path that reaches the trap";
  EXPECT_EQ(verdict.Stranded[0].Actions, (std::vector<std::string>{"press P/Cancel", "close P"}));
  EXPECT_EQ(verdict.Unknown, 0);
  EXPECT_TRUE(search.Conclude("Other").Stranded.empty());
}

TEST(WayOut, WhereTheExplorationStoppedTheButtonsAreRunFirstThenTheRestForAFewRounds) {
  WayOut search;
  search.Reached(At({"start Cmd"}), "", "edge", true, PanelActions);
  const std::vector<Path> first = search.Next({});
  ASSERT_EQ(first.size(), 3U) << "the two buttons and the close box";
  EXPECT_EQ(first[0].Steps, (std::vector<std::string>{"start Cmd", "press P/OK"}));
  EXPECT_EQ(first[2].Steps, (std::vector<std::string>{"start Cmd", "close P"}));
  // None of them ends it, and one was never told back (its run died): the rest of the state's actions next.
  search.Reached(first[0], "edge", "edge", true, PanelActions);
  search.Reached(first[1], "edge", "edge", true, PanelActions);
  search.Unknown("Cmd", "edge", "close P");
  const std::vector<Path> second = search.Next({});
  ASSERT_EQ(second.size(), 1U);
  EXPECT_EQ(second[0].Steps.back(), "type P/editor x");
  search.Reached(second[0], "edge", "typed", true, PanelActions);
  // The state typed into is new: its own buttons come in the last round.
  EXPECT_EQ(search.Next({}).size(), 3U);
  EXPECT_TRUE(search.Next({}).empty()) << "the search ends after its rounds";
  // A state whose way out depends on what was never told back is a bound, not a finding.
  const WayOut::Verdict verdict = search.Conclude("Cmd");
  EXPECT_TRUE(verdict.Stranded.empty());
  EXPECT_EQ(verdict.Unknown, 1) << "the exploration's state: the one the search met on the way is not counted";
}

TEST(WayOut, APathRunBeforeIsNotAskedForAgain) {
  WayOut search;
  search.Reached(At({"start Cmd"}), "", "edge", true, {"press P/Cancel"});
  const std::set<Path> seen{At({"start Cmd", "press P/Cancel"})};
  EXPECT_TRUE(search.Next(seen).empty());
  EXPECT_TRUE(search.Next({}).empty());
  EXPECT_EQ(search.Conclude("Cmd").Unknown, 1);
}

TEST(WayOut, StatesWithoutActionsOrWithoutACommandAreNoConcernOfIt) {
  WayOut search;
  // Nothing shown (the host cancels such a command when the user goes on), and nothing running.
  search.Reached(At({"noeditor", "start Cmd"}), "", "unseen", true, {});
  search.Reached(At({"start Cmd", "interrupt"}), "", "ended", false, {});
  EXPECT_TRUE(search.Next({}).empty());
  EXPECT_TRUE(search.Conclude("Cmd").Stranded.empty());
  EXPECT_EQ(search.Conclude("Cmd").Unknown, 0);
  EXPECT_TRUE(IsButtonLine("acknowledge Box"));
  EXPECT_FALSE(IsButtonLine("type P/editor x"));
}

TEST(WayOut, StatesPastOneRoundsShareAreSearchedInTheNextNotLeftUnknown) {
  WayOut search;
  const int states = static_cast<int>(WayOut::MostPerRound) + 100;
  for (int i = 0; i < states; ++i) {
    search.Reached(At({"start Cmd", "type P/editor " + std::to_string(i)}), "", "typed " + std::to_string(i), true,
                   {"press P/Cancel"});
  }
  int asked = 0;
  for (std::vector<Path> round = search.Next({}); !round.empty(); round = search.Next({})) {
    EXPECT_LE(round.size(), WayOut::MostPerRound);
    for (const Path& probe : round) {
      const std::string from = "typed " + probe.Steps[1].substr(std::string("type P/editor ").size());
      search.Reached(probe, from, "ended", false, {});
      ++asked;
    }
  }
  EXPECT_EQ(asked, states) << "each state's Cancel asked once";
  EXPECT_EQ(search.Conclude("Cmd").Unknown, 0) << "every state shown to end";
}

TEST(WayOut, TheSearchGoesNoFurtherThanItsRoundsBeyondTheExploration) {
  WayOut search;
  search.Reached(At({"start Cmd"}), "", "s0", true, {"press P/Next"});
  // Each Next leads to a state never seen before: the search follows it for its rounds, then stops.
  int depth = 0;
  for (std::vector<Path> round = search.Next({}); !round.empty(); round = search.Next({})) {
    ASSERT_EQ(round.size(), 1U);
    ++depth;
    search.Reached(round[0], "s" + std::to_string(depth - 1), "s" + std::to_string(depth), true, {"press P/Next"});
  }
  EXPECT_EQ(depth, WayOut::Rounds);
  const WayOut::Verdict verdict = search.Conclude("Cmd");
  EXPECT_TRUE(verdict.Stranded.empty()) << "the last state's action was never run: a bound, not a finding";
  EXPECT_EQ(verdict.Unknown, 1) << "only the exploration's state is accounted for";
}

TEST(WayOut, AStateWhoseEveryActionTheHostRefusesStrandsAPerson) {
  WayOut search;
  // Both windows greyed: their close boxes are offered, and the host refuses each.
  search.Reached(At({"start Cmd", "press Bar/Apply"}), "", "greyed", true, {"close Panel", "close Bar"});
  const std::vector<Path> probes = search.Next({});
  ASSERT_EQ(probes.size(), 2U);
  for (const Path& probe : probes) search.Refused("Cmd", "greyed", probe.Steps.back());
  EXPECT_TRUE(search.Next({}).empty());
  const WayOut::Verdict verdict = search.Conclude("Cmd");
  ASSERT_EQ(verdict.Stranded.size(), 1U) << "a refusal changes nothing: known, not a bound";
  EXPECT_EQ(verdict.Unknown, 0);
  // One refused action beside one that ends: the state can be left.
  WayOut other;
  other.Reached(At({"start Cmd"}), "", "panel", true, {"close Panel", "press Panel/Cancel"});
  other.Refused("Cmd", "panel", "close Panel");
  other.Reached(At({"start Cmd", "press Panel/Cancel"}), "panel", "ended", false, {});
  EXPECT_TRUE(other.Conclude("Cmd").Stranded.empty());
}

TEST(WayOut, WhatTheSearchMetPastAStateThatEndsIsNotSearchedFurther) {
  WayOut search;
  search.Reached(At({"start Cmd"}), "", "s0", true, {"press Bar/OK", "press P/Cancel"});
  const std::vector<Path> first = search.Next({});
  ASSERT_EQ(first.size(), 2U);
  // The bar's OK adds a product (a new state); Cancel ends: s0 is shown to end.
  search.Reached(first[0], "s0", "s1", true, {"press Bar/OK", "press P/Cancel"});
  search.Reached(first[1], "s0", "ended", false, {});
  EXPECT_TRUE(search.Next({}).empty()) << "s1 is of no interest once s0 ends";
  EXPECT_EQ(search.Conclude("Cmd").Unknown, 0);
}
