// The text of approved behaviour, without a module: the unified diff, fault points in runs and the
// legend of their outcomes, the approved directory on disk, and the comparison path by path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "drive/Words.h"
#include "validator/approved/ApprovedComparison.h"
#include "validator/approved/ApprovedFiles.h"
#include "validator/approved/FaultOutcomes.h"
#include "validator/case/Faults.h"
#include "validator/case/UnifiedDiff.h"
#include "validator/findings/Report.h"

using namespace vexvalidator;

namespace {

namespace fs = std::filesystem;

// Applies a unified diff to `before`, checking every context and removed line on the way.
std::vector<std::string> Patch(const std::vector<std::string>& before, const std::string& diff) {
  std::vector<std::string> after;
  std::size_t at = 0;
  for (const auto& line : SplitLines(diff)) {
    if (line.rfind("---", 0) == 0 || line.rfind("+++", 0) == 0) continue;
    if (line.rfind("@@", 0) == 0) {
      int start = 0;
      int count = 1;
      if (std::sscanf(line.c_str(), "@@ -%d,%d", &start, &count) < 1) ADD_FAILURE() << line;
      const std::size_t first = count == 0 ? static_cast<std::size_t>(start) : static_cast<std::size_t>(start - 1);
      while (at < first) after.push_back(before.at(at++));
      continue;
    }
    const std::string text = line.substr(1);
    if (line[0] == '+') {
      after.push_back(text);
    } else {
      EXPECT_EQ(before.at(at), text) << "the diff does not fit the text at line " << at + 1;
      if (line[0] == ' ') after.push_back(text);
      ++at;
    }
  }
  while (at < before.size()) after.push_back(before[at++]);
  return after;
}

// The length of the longest common subsequence: a shortest diff changes every other line.
std::size_t Common(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::vector<std::size_t>> table(a.size() + 1, std::vector<std::size_t>(b.size() + 1, 0));
  for (std::size_t i = a.size(); i-- > 0;) {
    for (std::size_t j = b.size(); j-- > 0;) {
      table[i][j] = a[i] == b[j] ? table[i + 1][j + 1] + 1 : std::max(table[i + 1][j], table[i][j + 1]);
    }
  }
  return table[0][0];
}

std::size_t ChangedLines(const std::string& diff) {
  std::size_t changed = 0;
  for (const auto& line : SplitLines(diff)) {
    if ((line[0] == '+' || line[0] == '-') && line.rfind("+++", 0) != 0 && line.rfind("---", 0) != 0) ++changed;
  }
  return changed;
}

std::size_t Hunks(const std::string& diff) {
  std::size_t hunks = 0;
  for (const auto& line : SplitLines(diff)) hunks += line.rfind("@@", 0) == 0 ? 1 : 0;
  return hunks;
}

class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    char name[] = "/tmp/vex-approved-XXXXXX";
    _Path = ::mkdtemp(name);
  }
  ~TemporaryDirectory() { fs::remove_all(_Path); }
  const std::string& Path() const { return _Path; }

 private:
  std::string _Path;
};

ApprovedSet Sample() {
  ApprovedSet set;
  set.Document = "Ship";
  set.Depth = 3;
  set.States = 100;
  set.Files["module.txt"] = "== loading\nregistered: Cmd\n";
  set.Files["Cmd/paths.txt"] =
      "# preamble\n== path\nstart Cmd\n-- start Cmd\n  SetTitle(Dialog; \"Hello\")\n-- the end\nrunning: yes\n"
      "== path\nstart Cmd\npress Dialog/OK\n-- press Dialog/OK\n  SetVisibility(Dialog; 2)\n-- the end\nrunning: no\n";
  set.Files["Cmd/faults.txt"] =
      "== path\nstart Cmd\n-- fault points and the outcome each reached\n"
      "allocation, once: 1-2 [aaaa]; 3 [bbbb]\n";
  set.Files["Cmd/outcomes.txt"] = "[aaaa] running: no\n    products: as opened\n[bbbb] running: yes\n";
  return set;
}

}  // namespace

TEST(UnifiedDiff, EqualTextsHaveNoDiff) {
  EXPECT_EQ(UnifiedDiff({"a", "b"}, {"a", "b"}, "x", "y"), "");
  EXPECT_EQ(UnifiedDiff({}, {}, "x", "y"), "");
}

TEST(UnifiedDiff, AChangedLineIsShownWithThreeLinesOfContextAsDiffWritesIt) {
  const std::vector<std::string> before{"1", "2", "3", "4", "5", "6", "7", "8", "9"};
  std::vector<std::string> after = before;
  after[4] = "five";
  EXPECT_EQ(UnifiedDiff(before, after, "approved", "this run"),
            "--- approved\n+++ this run\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n");
  EXPECT_EQ(UnifiedDiff({}, {"new"}, "a", "b"), "--- a\n+++ b\n@@ -0,0 +1 @@\n+new\n");
  EXPECT_EQ(UnifiedDiff({"gone"}, {}, "a", "b"), "--- a\n+++ b\n@@ -1 +0,0 @@\n-gone\n");
}

TEST(UnifiedDiff, ChangesFarApartMakeTwoHunksAndNearOnesOne) {
  std::vector<std::string> before;
  for (int i = 1; i <= 20; ++i) before.push_back(std::to_string(i));
  std::vector<std::string> apart = before;
  apart[1] = "two";
  apart[17] = "eighteen";
  const std::string two = UnifiedDiff(before, apart, "a", "b");
  EXPECT_NE(two.find("@@ -1,5 +1,5 @@"), std::string::npos) << two;
  EXPECT_NE(two.find("@@ -15,6 +15,6 @@"), std::string::npos) << two;
  std::vector<std::string> near = before;
  near[1] = "two";
  near[7] = "eight";
  const std::string one = UnifiedDiff(before, near, "a", "b");
  EXPECT_EQ(Hunks(two), 2U) << two;
  EXPECT_EQ(Hunks(one), 1U) << "changes six lines apart share their context: " << one;
  EXPECT_NE(one.find("@@ -1,11 +1,11 @@"), std::string::npos) << one;
}

TEST(UnifiedDiff, AnyDiffTurnsTheOneTextIntoTheOtherAndIsTheShortest) {
  std::mt19937 random(7);
  const std::vector<std::string> words{"a", "b", "c", "d"};
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> before;
    std::vector<std::string> after;
    for (std::size_t n = random() % 12; n > 0; --n) before.push_back(words[random() % words.size()]);
    for (std::size_t n = random() % 12; n > 0; --n) after.push_back(words[random() % words.size()]);
    const std::string diff = UnifiedDiff(before, after, "a", "b", static_cast<int>(random() % 4));
    EXPECT_EQ(Patch(before, diff), after) << diff;
    EXPECT_EQ(ChangedLines(diff), before.size() + after.size() - 2 * Common(before, after)) << diff;
  }
}

TEST(FaultOutcomes, PointsOfOneOutcomeInARowAreARun) {
  EXPECT_EQ(PointRuns({{1, "aa"}, {2, "aa"}, {3, "bb"}, {5, "aa"}, {6, "aa"}, {7, "aa"}}), "1-2 [aa]; 3 [bb]; 5-7 [aa]")
      << "a point that did not run (4) breaks the run";
  EXPECT_EQ(PointRuns({}), "");
}

TEST(FaultOutcomes, LabelsAreDigestsThatOtherOutcomesDoNotMove) {
  std::vector<std::string> outcomes;
  for (int i = 0; i < 2000; ++i) outcomes.push_back("running: no\nfinding: " + std::to_string(i));
  const std::vector<std::string> labels = OutcomeLabels(outcomes);
  EXPECT_EQ(std::set<std::string>(labels.begin(), labels.end()).size(), labels.size())
      << "every label names one outcome";
  const std::vector<std::string> alone = OutcomeLabels({outcomes[17]});
  EXPECT_EQ(alone[0].size(), 8U);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < labels.size(); ++i) kept += labels[i].size() == 8 ? 1 : 0;
  EXPECT_GT(kept, 1990U) << "only outcomes whose eight digits meet another's get longer labels";
  EXPECT_EQ(OutcomeLabels({outcomes[17], outcomes[3]})[0], alone[0]);
  // A validation under smaller bounds meets fewer outcomes: their labels must be those of the whole.
  EXPECT_EQ(alone[0], labels[17]);
}

TEST(FaultOutcomes, AnExpandedSectionReadsBackEveryPointsOutcome) {
  const std::map<std::string, std::string> legend{{"aaaa", "running: no\nproducts: as opened"},
                                                  {"bbbb", "running: yes"}};
  EXPECT_EQ(ReadLegend(LegendText(legend)), legend);
  const std::string section =
      "== path\nstart Cmd\n-- fault points and the outcome each reached\n"
      "allocation, once: 1-2 [bbbb]; 4 [aaaa]\nVexError, once: 1 [aaaa]\n";
  const std::string expanded = ExpandFaults(section, legend);
  EXPECT_EQ(expanded, section + "-- outcomes\n[bbbb] running: yes\n[aaaa] running: no\n    products: as opened\n");
  const auto faults = ReadFaults(expanded);
  ASSERT_EQ(faults.size(), 2U);
  EXPECT_EQ(
      faults.at("allocation, once"),
      (std::map<int, std::string>{{1, "running: yes"}, {2, "running: yes"}, {4, "running: no\nproducts: as opened"}}));
  EXPECT_EQ(faults.at("VexError, once").at(1), "running: no\nproducts: as opened");
}

TEST(FaultOutcomes, TheFirstChangedFaultCaseReplaysItsFaultThenThePath) {
  const std::map<std::string, std::string> legend{{"aaaa", "running: no"}, {"bbbb", "running: yes"}};
  const std::string heading = "== path\nstart Cmd\npress Dialog/OK\n-- fault points and the outcome each reached\n";
  const Path path{"Cmd", {"start Cmd", "press Dialog/OK"}};
  const std::string approved =
      ExpandFaults(heading + "allocation, once: 1-3 [aaaa]\nVexError, once: 1-2 [aaaa]\n", legend);
  const std::string same = ExpandFaults(heading + "allocation, once: 1-3 [aaaa]\nVexError, once: 1-2 [aaaa]\n", legend);
  EXPECT_FALSE(FirstChangedFaultCase(path, approved, same).has_value());
  const std::string now =
      ExpandFaults(heading + "allocation, once: 1-3 [aaaa]\nVexError, once: 1 [aaaa]; 2 [bbbb]\n", legend);
  const auto changed = FirstChangedFaultCase(path, approved, now);
  ASSERT_TRUE(changed.has_value());
  EXPECT_EQ(changed->Stage, Phase::Faults);
  EXPECT_EQ(changed->FaultPoint, 2);
  EXPECT_EQ(changed->Label, "VexError, once");
  EXPECT_EQ(changed->Lines, (std::vector<std::string>{FaultFamilies()[2].Line(2), "start Cmd", "press Dialog/OK"}));
  const std::string longer =
      ExpandFaults(heading + "allocation, once: 1-4 [aaaa]\nVexError, once: 1-2 [aaaa]\n", legend);
  ASSERT_TRUE(FirstChangedFaultCase(path, approved, longer).has_value());
  EXPECT_EQ(FirstChangedFaultCase(path, approved, longer)->FaultPoint, 4) << "a point only one side ran";
}

TEST(ApprovedFiles, WhatIsWrittenReadsBackAndAnEmptyDirectoryHoldsNothing) {
  TemporaryDirectory directory;
  EXPECT_FALSE(ReadApproved(directory.Path()).has_value());
  EXPECT_FALSE(ReadApproved(directory.Path() + "/not-yet").has_value());
  WriteApproved(directory.Path() + "/approved", Sample());
  const auto read = ReadApproved(directory.Path() + "/approved");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->Document, "Ship");
  EXPECT_EQ(read->Depth, 3);
  EXPECT_EQ(read->States, 100);
  EXPECT_EQ(read->Files, Sample().Files);
}

TEST(ApprovedFiles, RewritingRemovesTheOldFilesAndLeavesOthersAlone) {
  TemporaryDirectory directory;
  WriteApproved(directory.Path(), Sample());
  std::ofstream(directory.Path() + "/README") << "mine\n";
  ApprovedSet fewer = Sample();
  fewer.Files.erase("Cmd/faults.txt");
  fewer.Files.erase("Cmd/outcomes.txt");
  fewer.Files.erase("Cmd/paths.txt");
  fewer.Files["Other/paths.txt"] = "== path\nstart Other\n-- the end\n";
  WriteApproved(directory.Path(), fewer);
  EXPECT_FALSE(fs::exists(directory.Path() + "/Cmd")) << "the folder the old files alone filled went with them";
  EXPECT_TRUE(fs::exists(directory.Path() + "/README"));
  EXPECT_EQ(ReadApproved(directory.Path())->Files, fewer.Files);
  for (const auto& entry : fs::recursive_directory_iterator(directory.Path())) {
    EXPECT_EQ(entry.path().string().find(".writing"), std::string::npos) << "no temporary file is left";
  }
}

TEST(ApprovedFiles, AManifestThatCannotBeTrustedIsRefused) {
  TemporaryDirectory directory;
  auto manifest = [&](const std::string& text) {
    std::ofstream(directory.Path() + "/approved.txt") << text;
    return directory.Path();
  };
  EXPECT_THROW(ReadApproved(manifest("document: Ship\n")), ApprovedError) << "no format";
  EXPECT_THROW(ReadApproved(manifest("format: 9\n")), ApprovedError);
  EXPECT_THROW(ReadApproved(manifest("format: 2\ncolour: red\n")), ApprovedError);
  EXPECT_THROW(ReadApproved(manifest("format: 2\ndepth: deep\n")), ApprovedError);
  EXPECT_THROW(ReadApproved(manifest("format: 2\nfile: missing.txt\n")), ApprovedError);
  EXPECT_THROW(ReadApproved(manifest("format: 2\nfile: ../../etc/passwd\n")), ApprovedError);
  EXPECT_THROW(ReadApproved(manifest("format: 2\nfile: /etc/passwd\n")), ApprovedError);
  std::ofstream(directory.Path() + "/file") << "x";
  EXPECT_THROW(ReadApproved(directory.Path() + "/file"), ApprovedError) << "a file is no directory";
  EXPECT_THROW(CheckApprovedDirectory(directory.Path() + "/file"), ApprovedError);
  EXPECT_FALSE(SafeRelativeName("Cmd/../../x"));
  EXPECT_FALSE(SafeRelativeName("./x"));
  EXPECT_FALSE(SafeRelativeName(""));
  EXPECT_TRUE(SafeRelativeName("Cmd/paths.txt"));
}

TEST(ApprovedComparison, TheSameBehaviourComparesEqualPathByPath) {
  const Comparison same = Compare(Sample(), Sample(), true);
  EXPECT_TRUE(same.Paths.empty());
  EXPECT_TRUE(same.Files.empty());
  EXPECT_EQ(same.Compared, 2);
}

TEST(ApprovedComparison, ChangedVanishedAndAppearedPathsAreToldApart) {
  ApprovedSet now = Sample();
  std::string& paths = now.Files["Cmd/paths.txt"];
  paths.replace(paths.find("\"Hello\""), 7, "\"Hallo\"");
  paths.replace(paths.find("press Dialog/OK"), 15, "press Dialog/Cancel");
  paths.replace(paths.find("press Dialog/OK"), 15, "press Dialog/Cancel");
  now.Files["module.txt"] += "exports: more\n";
  ApprovedSet recommented = Sample();
  recommented.Files["module.txt"] = "# what the file holds, said otherwise\n" + recommented.Files["module.txt"];
  EXPECT_TRUE(Compare(Sample(), recommented, true).Files.empty()) << "comments are no behaviour";
  const Comparison comparison = Compare(Sample(), now, true);
  ASSERT_EQ(comparison.Paths.size(), 3U);
  EXPECT_EQ(comparison.Paths[0].What, PathChange::How::Changed);
  EXPECT_EQ(comparison.Paths[0].Steps, std::vector<std::string>{"start Cmd"});
  EXPECT_NE(Joined(comparison.Paths[0].Now).find("[aaaa] running: no\n    products: as opened"), std::string::npos)
      << "a path's fault points come with the outcomes they reached";
  EXPECT_EQ(comparison.Paths[1].What, PathChange::How::Appeared);
  EXPECT_EQ(comparison.Paths[1].Steps, (std::vector<std::string>{"start Cmd", "press Dialog/Cancel"}));
  EXPECT_EQ(comparison.Paths[2].What, PathChange::How::Vanished);
  ASSERT_EQ(comparison.Files.size(), 1U);
  EXPECT_EQ(comparison.Files[0].Name, "module.txt");
  const Comparison bounded = Compare(Sample(), now, false);
  ASSERT_EQ(bounded.Paths.size(), 1U) << "under other bounds a path on one side only is not compared";
  EXPECT_EQ(bounded.Paths[0].What, PathChange::How::Changed);
}

TEST(ApprovedComparison, AnOutcomeThatChangesChangesEveryPathThatReachedIt) {
  ApprovedSet now = Sample();
  now.Files["Cmd/outcomes.txt"] = "[aaaa] running: no\n    products: as opened\n[bbbb] running: no\n";
  const Comparison comparison = Compare(Sample(), now, true);
  ASSERT_EQ(comparison.Paths.size(), 1U);
  EXPECT_EQ(comparison.Paths[0].Steps, std::vector<std::string>{"start Cmd"});
  EXPECT_NE(Joined(comparison.Paths[0].Approved).find("[bbbb] running: yes"), std::string::npos);
  EXPECT_NE(Joined(comparison.Paths[0].Now).find("[bbbb] running: no"), std::string::npos);
}

TEST(ApprovedReport, AFindingWithADiffKeepsItInTheReportAndAsCommentsInItsReplay) {
  Outcome outcome;
  outcome.Module = "/modules/libVexExample.so";
  outcome.Commands = {"Cmd"};
  outcome.Stats["Cmd"].Paths = 2;
  const Finding changed{"behaviour-changed",
                        "Cmd behaves otherwise than approved on 1 path; the first, `start Cmd`:\n"
                        "    --- approved\n    +++ this run\n    @@ -1 +1 @@\n"
                        "    -  SetTitle(Dialog; \"Hello\")\n    +  SetTitle(Dialog; \"Hallo\")"};
  const Occurrence first{changed, {Phase::Exploration, "Cmd", "approved behaviour", {"start Cmd"}, 0}, -1};
  outcome.Findings.push_back(
      {changed, first, 1, {{Phase::Exploration, 1}}, "behaviour-changed", {{changed.Message, 1}}, 0});
  const std::string script = ReplayScript(outcome, outcome.Findings[0], "finding-1.vex");
  EXPECT_NE(script.find("\n#     +  SetTitle(Dialog; \"Hallo\")\n"), std::string::npos) << script;
  for (const auto& line : SplitLines(script)) {
    EXPECT_TRUE(line.empty() || line[0] == '#' || line == "start Cmd") << "not a comment: " << line;
    EXPECT_TRUE(vexdrive::ParseLine(line, 1).has_value()) << line;
  }
  std::ostringstream text;
  WriteText(text, outcome, "");
  EXPECT_NE(text.str().find("\n    +  SetTitle(Dialog; \"Hallo\")\n"), std::string::npos) << text.str();
  EXPECT_EQ(text.str().find("| #"), std::string::npos)
      << "the diff is shown once, not again in the script: " << text.str();
  EXPECT_NE(text.str().find("    | start Cmd\n"), std::string::npos) << text.str();
}

TEST(FaultOutcomes, WhenOnlyTheCallsChangedTheFamilyIsReplayedFromItsFirstPoint) {
  const std::map<std::string, std::string> legend{{"aaaa", "running: no"}};
  const std::string heading = "== path\nstart Cmd\n-- fault points\n";
  const Path path{"Cmd", {"start Cmd"}};
  const std::string approved = ExpandFaults(heading +
                                                "allocation, once: 1-3 [aaaa] | calls 0000aaaa\n"
                                                "VexError, once: 2-3 [aaaa] | calls 0000bbbb\n",
                                            legend);
  const std::string now = ExpandFaults(heading +
                                           "allocation, once: 1-3 [aaaa] | calls 0000aaaa\n"
                                           "VexError, once: 2-3 [aaaa] | calls 0000cccc\n",
                                       legend);
  EXPECT_EQ(ReadFaults(approved), ReadFaults(now)) << "the digest is no part of the outcomes";
  const auto changed = FirstChangedFaultCase(path, approved, now);
  ASSERT_TRUE(changed.has_value());
  EXPECT_EQ(changed->FaultPoint, 2);
  EXPECT_EQ(changed->Lines.front(), FaultFamilies()[2].Line(2));
  EXPECT_NE(CallsDigest({1, 7, 2, 9}), CallsDigest({1, 7, 2, 8}));
  EXPECT_NE(CallsDigest({1, 7, 2, 9}), CallsDigest({1, 7, 3, 9})) << "which point made which calls counts too";
  EXPECT_EQ(CallsDigest({1, 7}).size(), 8U);
}

TEST(UnifiedDiff, ALongLineIsFoldedAtItsSeparatorsSoThatTheDiffShowsThePieceThatChanged) {
  std::string before = "VexError, once:";
  for (int i = 0; i < 40; ++i) before += " " + std::to_string(i * 10) + "-" + std::to_string(i * 10 + 9) + " [aaaa];";
  std::string after = before;
  after.replace(after.find("200-209 [aaaa]"), 14, "200-209 [bbbb]");
  const std::vector<std::string> folded = FoldedAt({before, "short"}, "; ", 60);
  ASSERT_GT(folded.size(), 3U);
  for (std::size_t i = 0; i + 1 < folded.size(); ++i) {
    EXPECT_LE(folded[i].size(), 60U) << folded[i];
    if (i > 0) {
      EXPECT_EQ(folded[i].rfind("    ", 0), 0U) << "a continuation is indented: " << folded[i];
    }
  }
  EXPECT_EQ(folded.back(), "short");
  const std::string diff = UnifiedDiff(FoldedAt({before}, "; ", 60), FoldedAt({after}, "; ", 60), "a", "b");
  int added = 0;
  for (const auto& line : SplitLines(diff)) {
    EXPECT_LE(line.size(), 62U) << line;
    if (line.rfind("+ ", 0) == 0) {
      ++added;
      EXPECT_NE(line.find("200-209 [bbbb]"), std::string::npos) << line;
    }
  }
  EXPECT_EQ(added, 1) << "only the folded line that holds the change: " << diff;
  // A piece longer than the width stays whole; a line without separators is left as it is.
  EXPECT_EQ(FoldedAt({std::string(100, 'x')}, "; ", 60), std::vector<std::string>{std::string(100, 'x')});
}
