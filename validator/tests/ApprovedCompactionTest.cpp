// Approved behaviour written with its repeats named: a drawing or a path's fault points written
// once and named after, a family's "once" and "from then on" said once; read back and compared as
// if written whole. And the end of a changed path's replay, and the width of a report's lines.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "drive/Words.h"
#include "validator/approved/Approval.h"
#include "validator/approved/ApprovedCompaction.h"
#include "validator/approved/ApprovedComparison.h"
#include "validator/approved/ApprovedFiles.h"
#include "validator/approved/ApprovedReplay.h"
#include "validator/approved/FaultOutcomes.h"
#include "validator/case/Faults.h"
#include "validator/case/UnifiedDiff.h"
#include "validator/findings/Report.h"

using namespace vexvalidator;

namespace {

namespace fs = std::filesystem;

const std::string Panel = "| += Create Part ==+\n| | [OK] [Cancel] |\n| +==============+\n";
const std::string Typo = "| += Craete Part ==+\n| | [OK] [Cancel] |\n| +==============+\n";

std::string PathText(const std::string& step, const std::string& drawing) {
  return "== path\nstart Cmd\n" + step + "\n-- " + step + "\n  (no call)\n-- the end\n" +
         "running: Cmd; shown: Panel (OK on)\n" + drawing + "products: as opened\n";
}

std::string PathsText(const std::string& firstDrawing) {
  return "# each path\n" + PathText("class A", firstDrawing) + PathText("class B", Panel) + PathText("class C", Panel) +
         PathText("ok", "| += Note ==+\n| +========+\n");
}

std::string FaultsText(const std::string& step, const std::string& points) {
  return "== path\nstart Cmd\n" + step + "\n" + FaultPointsHeading + "\n" + points;
}

const std::string Points = "allocation, once and from then on: 1-2 [aaaa] | calls 0000aaaa\n";

ApprovedSet Recorded(const std::string& firstDrawing, const std::string& firstPoints) {
  ApprovedSet set;
  set.Document = "Ship";
  set.Depth = 2;
  set.States = 50;
  set.Files["Cmd/paths.txt"] = Compacted(PathsText(firstDrawing));
  set.Files["Cmd/faults.txt"] =
      Compacted(FaultsText("class A", firstPoints) + FaultsText("class B", Points) + FaultsText("class C", Points));
  set.Files["Cmd/outcomes.txt"] = "[aaaa] running: no\n[bbbb] running: yes\n";
  return set;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace

TEST(ApprovedCompaction, ARepeatedDrawingIsWrittenOnceAndNamedAfterAndReadsBackWhole) {
  const std::string whole = PathsText(Panel);
  const std::string compacted = Compacted(whole);
  EXPECT_EQ(Expanded(compacted), whole);
  EXPECT_EQ(Count(compacted, "| += Create Part"), 1U) << compacted;
  EXPECT_EQ(Count(compacted, "\nshown as drawing "), 2U) << compacted;
  EXPECT_EQ(Count(compacted, "\ndrawing "), 1U) << "a drawing that stands once keeps no name: " << compacted;
  EXPECT_EQ(Count(compacted, "| += Note"), 1U);
  // The name is the drawing's own: the same wherever and in whichever order it stands.
  const std::string name = compacted.substr(compacted.find("\ndrawing ") + 9, 8);
  const std::string reordered = Compacted(PathText("ok", Panel) + PathText("x", Panel));
  EXPECT_NE(reordered.find("drawing " + name + ":\n"), std::string::npos) << reordered;
  EXPECT_EQ(Compacted(Compacted(whole)), Compacted(whole)) << "written again, a record stays as it is";
}

TEST(ApprovedCompaction, RepeatedFaultPointsAreASetAndOnceAndFromThenOnThatAgreeAreOneLine) {
  const std::string whole = FaultsText("class A", Points) + FaultsText("class B", Points);
  const std::string compacted = Compacted(whole);
  EXPECT_EQ(Expanded(compacted), whole);
  EXPECT_EQ(Count(compacted, "allocation"), 1U) << compacted;
  EXPECT_NE(compacted.find("-- fault points as set "), std::string::npos) << compacted;
  EXPECT_EQ(Expanded("== path\nstart Cmd\n-- fault points as set 0badf00d\n"),
            "== path\nstart Cmd\n" + std::string(FaultPointsHeading) + "\n(set 0badf00d is not in the file)\n")
      << "a name the file lacks shows as such";
  EXPECT_EQ(FamilyLines({{"VexError, once", "1 [aaaa]"}, {"VexError, from then on", "1 [aaaa]"}}),
            "VexError, once and from then on: 1 [aaaa]\n");
  EXPECT_EQ(FamilyLines({{"VexError, once", "1 [aaaa]"}, {"VexError, from then on", "1 [bbbb]"}}),
            "VexError, once: 1 [aaaa]\nVexError, from then on: 1 [bbbb]\n");
  const auto points = ReadFaults(ExpandFaults(FaultsText("class A", Points), {{"aaaa", "running: no"}}));
  ASSERT_EQ(points.size(), 2U) << "one line stands for both families";
  EXPECT_EQ(points.at("allocation, from then on").at(2), "running: no");
}

TEST(ApprovedCompaction, WrittenReadAndComparedAChangedDrawingAndFaultLineShowInFull) {
  char name[] = "/tmp/vex-compaction-XXXXXX";
  const std::string directory = ::mkdtemp(name);
  WriteApproved(directory, Recorded(Panel, Points));
  const auto approved = ReadApproved(directory);
  fs::remove_all(directory);
  ASSERT_TRUE(approved.has_value());
  EXPECT_TRUE(Compare(*approved, Recorded(Panel, Points), true).Paths.empty());
  // The first path's drawing, the one the others name, and its fault points change.
  const Comparison comparison = Compare(
      *approved, Recorded(Typo, "allocation, once and from then on: 1 [aaaa]; 2 [bbbb] | calls 0000aaaa\n"), true);
  ASSERT_EQ(comparison.Paths.size(), 1U) << "the paths that name the drawing are as they were";
  EXPECT_EQ(comparison.Paths[0].Steps, (std::vector<std::string>{"start Cmd", "class A"}));
  const std::string diff = DiffText(Joined(comparison.Paths[0].Approved), Joined(comparison.Paths[0].Now));
  EXPECT_NE(diff.find("\n    -| += Create Part ==+"), std::string::npos) << diff;
  EXPECT_NE(diff.find("\n    +| += Craete Part ==+"), std::string::npos) << diff;
  EXPECT_NE(diff.find("\n    +allocation, once and from then on: 1 [aaaa]; 2 [bbbb]"), std::string::npos) << diff;
  EXPECT_EQ(diff.find("drawing "), std::string::npos) << "names are expanded before the diff: " << diff;
}

TEST(ApprovedCompaction, ARecordOfAnotherFormatIsRefusedWithWhatToDo) {
  char name[] = "/tmp/vex-compaction-XXXXXX";
  const std::string directory = ::mkdtemp(name);
  std::ofstream(directory + "/approved.txt") << "format: 1\ndocument: Ship\n";
  try {
    ReadApproved(directory);
    ADD_FAILURE() << "a record of format 1 was read";
  } catch (const ApprovedFormatError& error) {
    EXPECT_NE(std::string(error.what()).find("--approve"), std::string::npos) << error.what();
  }
  fs::remove_all(directory);
}

TEST(ApprovedReplay, AChangedPathEndsWithTheApprovedEndAsExpectations) {
  PathChange change;
  change.Folder = "Cmd";
  change.Steps = {"start Cmd", "class A"};
  change.Approved["Cmd/paths.txt"] = PathText("class A", Panel) +
                                     "products: part number of Hull/Block A: \"BA-200\" -> \"BA-201\"\n"
                                     "-- the host ends the run\n> Destroy(Cmd)\n";
  change.Now["Cmd/paths.txt"] = PathText("class A", Typo) + "-- the host ends the run\n> Destroy(Cmd)\n";
  const Case replay = ReplayOfChange(change, "Cmd");
  const std::vector<std::string> ending(replay.Lines.begin() + 2, replay.Lines.end());
  ASSERT_FALSE(ending.empty());
  EXPECT_EQ(ending[0].rfind("# ", 0), 0U);
  const std::vector<std::string> expected{"expect running yes", "expect dialog Panel shown",
                                          "expect sensitive Panel/OK on", "expect title Panel \"Create Part\"",
                                          "expect partnumber \"Hull/Block A\" BA-201"};
  EXPECT_EQ(std::vector<std::string>(ending.begin() + 1, ending.end()), expected);
  for (const auto& line : replay.Lines) EXPECT_TRUE(vexdrive::ParseLine(line, 1).has_value()) << line;
  // A part number only this run changed: the approved kept what it held.
  EXPECT_EQ(
      SeenExpectations("running: no; shown: nothing\n", "products: part number of Hull: \"H-1\" -> \"H-2\"\n").back(),
      "expect partnumber Hull H-1");
}

TEST(ApprovedReplay, WhereOnlyTheCallsChangedTheReplayEndsWithAComment) {
  PathChange change;
  change.Folder = "Cmd";
  change.Steps = {"start Cmd"};
  change.Approved["Cmd/paths.txt"] = PathText("start Cmd", Panel) + "-- the host ends the run\n> Destroy(Cmd)\n";
  change.Now["Cmd/paths.txt"] = PathText("start Cmd", Panel) + "-- the host ends the run\n> Release(Cmd)\n";
  const Case replay = ReplayOfChange(change, "Cmd");
  ASSERT_EQ(replay.Lines.size(), 2U) << "the step, then the comment";
  EXPECT_NE(replay.Lines.back().find("--journal"), std::string::npos) << replay.Lines.back();
  EXPECT_EQ(replay.Lines.back().rfind("# ", 0), 0U);
}

TEST(ApprovedReport, NoLineOfAChangedLongLineIsOverThreeHundredCharacters) {
  std::string before = "  SetTitle(Dialog; \"" + std::string(1000, 'a') + "\")";
  std::string after = before;
  after[900] = 'b';
  const std::string folded = "VexError, once: " + std::string(400, '1') + "; " + std::string(10, '2');
  const std::string diff = DiffText(before + "\n" + folded + "\n", after + "\n" + folded + "x\n");
  Outcome outcome;
  outcome.Module = "/modules/libVexExample.so";
  outcome.Commands = {"Cmd"};
  outcome.Stats["Cmd"].Paths = 1;
  const Finding changed{"behaviour-changed", "Cmd behaves otherwise than approved:" + diff};
  const Occurrence first{changed, {Phase::Exploration, "Cmd", "approved behaviour", {"start Cmd"}, 0}, -1};
  outcome.Findings.push_back(
      {changed, first, 1, {{Phase::Exploration, 1}}, "behaviour-changed", {{changed.Message, 1}}, 0});
  std::ostringstream text;
  WriteText(text, outcome, "");
  const std::string script = ReplayScript(outcome, outcome.Findings[0], "finding-1.vex");
  std::size_t lines = 0;
  for (const std::string& report : {text.str(), script}) {
    for (const auto& line : SplitLines(report)) {
      EXPECT_LE(line.size(), 300U) << line;
      ++lines;
    }
  }
  EXPECT_GT(lines, 10U);
  EXPECT_NE(diff.find(" more bytes)"), std::string::npos) << "a cut line says so: " << diff;
}

TEST(ApprovedReplay, AChangedFaultOutcomeEndsItsFaultCaseWithTheApprovedOutcome) {
  PathChange change;
  change.Folder = "Cmd";
  change.Steps = {"start Cmd"};
  const std::string path = "== path\nstart Cmd\n-- start Cmd\n  (no call)\n-- the end\nrunning: no; shown: nothing\n";
  change.Approved["Cmd/paths.txt"] = change.Now["Cmd/paths.txt"] = path;
  const std::string points =
      "== path\nstart Cmd\n" + std::string(FaultPointsHeading) + "\nallocation, once: 1 [aaaa]\n";
  change.Approved["Cmd/faults.txt"] = ExpandFaults(points, {{"aaaa", "running: no; shown: nothing"}});
  change.Now["Cmd/faults.txt"] = ExpandFaults(points, {{"aaaa", "running: Cmd; shown: Panel (OK on)"}});
  const Case replay = ReplayOfChange(change, "Cmd");
  EXPECT_EQ(replay.Stage, Phase::Faults);
  ASSERT_EQ(replay.Lines.size(), 4U);
  EXPECT_EQ(replay.Lines[0], FaultFamilies()[0].Line(1));
  EXPECT_EQ(replay.Lines[1], "start Cmd");
  EXPECT_EQ(replay.Lines[3], "expect running no");
}
