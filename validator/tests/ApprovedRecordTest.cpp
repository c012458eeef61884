// The canonical record of a case, taken as a worker runs it on this build's module: the calls of
// each line, what a person sees at the end, the host's errors and the ending; the same every time,
// and without any effect on the case itself. Also its messages, and the pool's refusal of a
// record nobody asked for.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "TestModules.h"
#include "validator/case/CaseRecorder.h"
#include "validator/processes/Messages.h"
#include "validator/processes/Pool.h"
#include "validator/processes/Processes.h"

using namespace vexvalidator;
using namespace vexvalidatortest;

namespace {

const std::string Start = std::string("start ") + Command;

struct Recorded {
  CaseResult Outcome;
  CaseRecord Record;
};

// `watch`: each step is looked at as a person would, as the exploration does.
Recorded RunRecorded(std::vector<std::string> lines, bool calls = true, bool faultArmed = false, bool watch = false,
                     bool resources = true) {
  const RunSetup setup = ShipSetup();
  CaseRecorder recorder(setup.Document, calls, resources);
  RunRequest request{.Lines = std::move(lines), .FaultArmed = faultArmed, .Watch = watch, .Observer = &recorder};
  Recorded recorded;
  recorded.Outcome = RunCase(setup, request);
  recorded.Record = recorder.Record();
  return recorded;
}

CaseResult RunPlain(std::vector<std::string> lines) {
  RunRequest request{.Lines = std::move(lines), .FaultArmed = true};
  return RunCase(ShipSetup(), request);
}

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HoldsLine(const std::string& text, const std::string& line) {
  return ("\n" + text + "\n").find("\n" + line + "\n") != std::string::npos;
}

class Record : public ::testing::Test {
 protected:
  void SetUp() override { Load(VEX_MODULE_PATH); }
};

}  // namespace

TEST_F(Record, APathKeepsTheCallsOfEachLineWhatIsSeenAtTheEndAndTheEnding) {
  const Recorded shown = RunRecorded({Start});
  ASSERT_EQ(shown.Record.Lines.size(), 1U);
  const auto& start = shown.Record.Lines[0];
  EXPECT_EQ(start.front(), "> Create(\"VexStrCreateInterimProdCmd\") -> VexStrCreateInterimProdCmd");
  EXPECT_TRUE(Holds(start, "  Allocate()")) << "an allocation's size is the module's layout, not its behaviour";
  EXPECT_TRUE(Holds(start, "  CanCreate(Block A.factory; allowed=0, message=\"\") -> 0 [allowed=1, message=\"\"]"))
      << "outputs as preset and as returned, with the status";
  EXPECT_TRUE(Holds(start, "  SetLine(editorpartnumber; \"BA-200\", -1)"));
  EXPECT_TRUE(
      HoldsLine(shown.Record.Outcome, "running: VexStrCreateInterimProdCmd; shown: InterimProductPanel (OK off)"))
      << shown.Record.Outcome;
  EXPECT_TRUE(HoldsLine(shown.Record.Outcome, "state: SelIntermProductType"));
  EXPECT_NE(shown.Record.Outcome.find("| += Create Interim Product ="), std::string::npos) << "the panel is drawn";
  EXPECT_TRUE(HoldsLine(shown.Record.Outcome, "products: as opened"));
  EXPECT_TRUE(Holds(shown.Record.Ending, "> Destroy(VexStrCreateInterimProdCmd)"))
      << "the host cancels and destroys the command still running";

  const Recorded cancelled = RunRecorded({Start, "press InterimProductPanel/Cancel"});
  ASSERT_EQ(cancelled.Record.Lines.size(), 2U);
  EXPECT_EQ(cancelled.Record.Lines[0], start) << "the same line makes the same calls";
  EXPECT_TRUE(Holds(cancelled.Record.Lines[1], "> Destroy(VexStrCreateInterimProdCmd)"));
  EXPECT_TRUE(HoldsLine(cancelled.Record.Outcome, "running: no; shown: nothing"));
  EXPECT_TRUE(cancelled.Record.Ending.empty()) << "nothing is left to end";
}

TEST_F(Record, ACallMadeAgainAndAgainInARowStandsOnceWithHowOften) {
  // Looking at the panel after each step asks the module for its resource file again and again.
  const Recorded browsed = RunRecorded({Start, "browse InterimProductPanel/frmClass Panel"}, true, false, true);
  ASSERT_EQ(browsed.Record.Lines.size(), 2U);
  const auto& calls = browsed.Record.Lines[1];
  EXPECT_EQ(std::adjacent_find(calls.begin(), calls.end()), calls.end());
  const auto repeated = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
    return call.rfind("> GetResourceFilename(InterimProductPanel; 0) -> \"VexStrInterimProdPanel\" (", 0) == 0;
  });
  ASSERT_NE(repeated, calls.end()) << ::testing::PrintToString(calls);
  EXPECT_EQ(repeated->substr(repeated->size() - 7), " times)");
}

TEST_F(Record, APathTellsTheResourceFilesOfTheCommandAndOfEachOpenWindowLevelByLevel) {
  const Recorded shown = RunRecorded({Start});
  // Levels -1, 0, 1, ...: the module names its own file at -1 and 0, its base classes above.
  EXPECT_TRUE(HoldsLine(shown.Record.Outcome,
                        "resource files of VexStrCreateInterimProdCmd: \"VexStrCreateInterimProdCmd\" "
                        "\"VexStrCreateInterimProdCmd\" \"VexDialogAgent\" \"VexCommand\" \"VexEventSubscriber\" "
                        "\"VexBaseUnknown\" null"))
      << shown.Record.Outcome;
  EXPECT_TRUE(HoldsLine(shown.Record.Outcome,
                        "resource files of InterimProductPanel: \"VexStrInterimProdPanel\" \"VexStrInterimProdPanel\" "
                        "\"VexDialog\" \"VexCommand\" \"VexEventSubscriber\" \"VexBaseUnknown\" null"))
      << shown.Record.Outcome;
  for (const auto& line : shown.Record.Lines[0]) {
    EXPECT_EQ(line.find("GetResourceFilename(VexStrCreateInterimProdCmd"), std::string::npos)
        << "asking is looking, not a call of the step: " << line;
  }
  EXPECT_EQ(RunRecorded({Start}, true, false, false, false).Record.Outcome.find("resource files"), std::string::npos)
      << "only when asked for";
  EXPECT_EQ(RunRecorded({Start, "press InterimProductPanel/Cancel"}).Record.Outcome.find("resource files"),
            std::string::npos)
      << "nothing runs and nothing is open";
}

TEST_F(Record, TheProductsAPersonSeesAreThoseThatChanged) {
  const Recorded created =
      RunRecorded({Start, "browse InterimProductPanel/frmClass Panel", "type InterimProductPanel/editorpartnumber BA-7",
                   "press InterimProductPanel/OK"});
  EXPECT_TRUE(HoldsLine(created.Record.Outcome, "products: part number of Hull/Block A: \"BA-200\" -> \"BA-7\""))
      << created.Record.Outcome;
  EXPECT_TRUE(
      HoldsLine(created.Record.Outcome, "products: new Hull/Block A/Panel 1: class \"Panel\", part number \"\""))
      << created.Record.Outcome;
}

TEST_F(Record, APartNumberSetBackIsNoChangeAndTheActiveProductIsTold) {
  const Recorded same =
      RunRecorded({Start, "browse InterimProductPanel/frmClass Panel", "press InterimProductPanel/OK"});
  EXPECT_TRUE(HoldsLine(same.Record.Outcome, "products: new Hull/Block A/Panel 1: class \"Panel\", part number \"\""))
      << same.Record.Outcome;
  EXPECT_EQ(same.Record.Outcome.find("part number of"), std::string::npos)
      << "the editor's part number went back as it was: " << same.Record.Outcome;
  EXPECT_TRUE(HoldsLine(RunRecorded({"noeditor"}).Record.Outcome, "products: active: Hull/Block A -> (no editor)"));
  EXPECT_TRUE(HoldsLine(RunRecorded({"active Hull", "active Hull/Block B"}).Record.Outcome,
                        "products: active: Hull/Block A -> Hull/Block B"));
  EXPECT_TRUE(HoldsLine(RunRecorded({"active Hull", "active Hull/Block A"}).Record.Outcome, "products: as opened"));
}

TEST_F(Record, TheRecordIsTheSameEveryTime) {
  const std::vector<std::string> lines{Start, "choose InterimProductPanel/frmClass \"Typed Class\"",
                                       "press InterimProductPanel/OK"};
  const Recorded first = RunRecorded(lines);
  const Recorded second = RunRecorded(lines);
  EXPECT_EQ(first.Record, second.Record);
  std::vector<std::string> faulted{"fault allocation 3 once"};
  faulted.insert(faulted.end(), lines.begin(), lines.end());
  const Recorded once = RunRecorded(faulted, false, true);
  EXPECT_EQ(once.Record.Calls, RunRecorded(faulted, false, true).Record.Calls);
  faulted[0] = "fault allocation 4 once";
  EXPECT_NE(once.Record.Calls, RunRecorded(faulted, false, true).Record.Calls) << "another fault, other calls";
}

TEST_F(Record, AFaultCaseKeepsItsOutcomeUndrawnWithWhatBecameOfTheErrors) {
  const Recorded faulted = RunRecorded({"fault raise *#12:VexError persistent", Start}, false, true);
  EXPECT_TRUE(faulted.Record.Ending.empty());
  for (const auto& line : faulted.Record.Lines) EXPECT_TRUE(line.empty()) << "a fault case keeps no calls";
  EXPECT_EQ(faulted.Record.Outcome.find("| "), std::string::npos) << "nor a drawing: " << faulted.Record.Outcome;
  EXPECT_NE(faulted.Record.Outcome.find("host error VexError "), std::string::npos) << faulted.Record.Outcome;
  EXPECT_EQ(faulted.Record.Outcome.find("raised by the fault plan"), std::string::npos)
      << "an error's message names the fault's place, which the case names already";
}

// Looking at the dialogs for the record asks the module for resource files, and a module may call
// the host then: the fault plan must neither count nor fail that, or the case would meet its fault
// elsewhere than without the record.
void ExpectTheSameCases(const std::vector<std::string>& steps) {
  for (const std::string fault :
       {"fault allocation %d once", "fault raise *#%d:VexError persistent", "fault raise *#%d:SystemError once"}) {
    for (int n = 1; n <= 160; n += 3) {
      char line[64];
      std::snprintf(line, sizeof line, fault.c_str(), n);
      std::vector<std::string> lines{line};
      lines.insert(lines.end(), steps.begin(), steps.end());
      const CaseResult plain = RunPlain(lines);
      const Recorded recorded = RunRecorded(lines, false, true);
      EXPECT_EQ(recorded.Outcome.Findings, plain.Findings) << line;
      EXPECT_EQ(recorded.Outcome.FaultMet, plain.FaultMet) << line;
      EXPECT_EQ(recorded.Outcome.Stopped, plain.Stopped) << line;
      EXPECT_EQ(recorded.Outcome.LinesRun, plain.LinesRun) << line;
      EXPECT_EQ(recorded.Outcome.Allocations, plain.Allocations) << line;
    }
  }
}

TEST_F(Record, RecordingChangesNothingOfTheCase) {
  ExpectTheSameCases({Start, "browse InterimProductPanel/frmClass Panel",
                      "type InterimProductPanel/editorpartnumber BA-7", "press InterimProductPanel/OK"});
}

TEST(RecordOfALookingModule, RecordingChangesNothingOfTheCaseWhenLookingMakesCalls) {
  Load(VEX_LOOKING_PATH);
  ExpectTheSameCases({"start VexTestLookingCmd"});
  const Recorded looked = RunRecorded({"start VexTestLookingCmd"}, false);
  EXPECT_NE(looked.Record.Outcome.find("shown: LookingDialog"), std::string::npos) << looked.Record.Outcome;
}

TEST(CanonicalCall, WritesACallAsTheJournalDoesWithoutSizesOrControlCharacters) {
  EXPECT_EQ(CanonicalCall("Allocate", "", {"80"}, false, "", {}), "  Allocate()");
  EXPECT_EQ(CanonicalCall("GetResourceFilename", "Panel", {"0"}, true, "\"Res\"", {}),
            "> GetResourceFilename(Panel; 0) -> \"Res\"");
  EXPECT_EQ(CanonicalCall("CanCreate", "A.factory", {"allowed=0"}, false, "0", {"allowed=1"}),
            "  CanCreate(A.factory; allowed=0) -> 0 [allowed=1]");
  EXPECT_EQ(CanonicalCall("SetTitle", "Bad\nName", {"\"x\""}, false, "", {}), "  SetTitle(Bad\\nName; \"x\")");
}

TEST(RecordMessages, ARecordAndTheJobThatAsksForItTravelWhole) {
  const RecordMessage path{
      {0},
      {{{"> Create(\"C\") -> C", "  Allocate()"}, {}}, "running: no\nproducts: as opened", {"> Destroy(C)"}, 0},
      {}};
  const auto decoded = std::get<RecordMessage>(DecodeMessage(EncodeMessage(path)));
  EXPECT_EQ(decoded.Cases, path.Cases);
  EXPECT_EQ(decoded.Record, path.Record);
  const RecordMessage sweep{{3, 4, 9}, {{}, "running: no", {}, 0}, {1, 0xFFFFFFFFFFFFFFFFULL, 42}};
  EXPECT_EQ(std::get<RecordMessage>(DecodeMessage(EncodeMessage(sweep))).Calls, sweep.Calls) << "digests of 64 bits";
  EXPECT_THROW(DecodeMessage("{\"type\":\"record\",\"cases\":[1,2],\"outcome\":\"x\",\"calls\":[7]}"), MessageError);
  Job job{"C", {"start C"}, ExplorationJob{true, 0}, true};
  EXPECT_TRUE(DecodeJob(EncodeJob(job)).Record);
  job.Record = false;
  EXPECT_EQ(EncodeJob(job).find("record"), std::string::npos) << "a job that asks for no record says nothing of it";
  EXPECT_FALSE(DecodeJob(EncodeJob(job)).Record);
  EXPECT_THROW(DecodeMessage("{\"type\":\"record\",\"cases\":[1]}"), MessageError) << "no outcome";
}

TEST(RecordMessages, AWorkerThatTellsARecordNobodyAskedForIsPutDown) {
  Pool pool(1, std::chrono::seconds(10), [](int in, int out, Slot& slot) {
    std::FILE* input = ::fdopen(in, "r");
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, input) != nullptr) {
      slot.BeginCase(0);
      WriteAll(out, EncodeMessage(RecordMessage{{0}, {{}, "running: no", {}, 0}, {}}));
      WriteAll(out, EncodeMessage(CaseResult{}));
      WriteAll(out, EncodeMessage(DoneMessage{}));
    }
    _exit(0);
  });
  int records = 0;
  std::vector<std::string> deaths;
  Pool::Handlers handlers;
  handlers.OnResult = [](const Job&, const CaseResult&) {};
  handlers.OnClean = [](const Job&, const CleanMessage&) {};
  handlers.OnDeath = [&](const Job&, const Pool::Death& death) {
    deaths.push_back(death.How);
    return false;
  };
  handlers.OnDone = [](const Job&) {};
  handlers.OnRecord = [&](const Job&, const RecordMessage&) { ++records; };
  pool.Submit({"C", {"start C"}, ExplorationJob{false, 0}, true}, 0);
  pool.Submit({"C", {"start C"}, ExplorationJob{false, 1}, false}, 0);
  pool.Run(handlers);
  EXPECT_EQ(records, 1);
  ASSERT_EQ(deaths.size(), 1U);
  EXPECT_NE(deaths[0].find("a record told for a job that asked for none"), std::string::npos) << deaths[0];
}
