// The parts that plan a validation and keep its book, driven without workers: jobs are taken from
// the parts as the pool would take them, and results handed back as workers would send them.
#include <gtest/gtest.h>

#include <algorithm>

#include "validator/case/Faults.h"
#include "validator/exploration/Explorer.h"
#include "validator/exploration/SweepPlanner.h"
#include "validator/findings/FindingBook.h"

using namespace vexvalidator;

namespace {

struct Submitted {
  Job Work;
  Priority Order;
};

// What the parts submit, in the order they submit it.
struct Queue {
  std::vector<Submitted> Jobs;
  SubmitJob Submitter() {
    return [this](Job job, Priority priority) { Jobs.push_back({std::move(job), priority}); };
  }
  std::vector<std::vector<std::string>> Steps() const {
    std::vector<std::vector<std::string>> steps;
    for (const auto& submitted : Jobs) steps.push_back(submitted.Work.Steps);
    return steps;
  }
};

CaseResult Clean(int n = 0) {
  CaseResult result;
  result.N = n;
  result.FaultMet = true;
  return result;
}

CaseResult Found(int n, Finding finding) {
  CaseResult result = Clean(n);
  result.Findings = {std::move(finding)};
  return result;
}

// A state reached, where a person could take `actions`.
CaseResult Reached(const std::string& state, std::vector<std::string> actions) {
  CaseResult result = Clean();
  result.Fingerprint = state;
  result.Running = true;
  result.Actions = std::move(actions);
  return result;
}

Pool::Death Hung(int n, int line) {
  Pool::Death death;
  death.How = "no answer within 10 ms";
  death.TimedOut = true;
  death.N = n;
  death.Line = line;
  return death;
}

const Finding Leak{kind::Leak, "left alive after the command ended: VexDlgDialog 'Panel'"};
const Finding OverRelease{kind::OverRelease, "released too often: VexFactory 'Hull.factory'"};

}  // namespace

TEST(FindingBook, AFindingIsGroupedByKindAndMessageAndShownByItsSimplestCase) {
  Outcome outcome;
  FindingBook book(outcome);
  const std::size_t sweep = book.AddTest("Cmd.faults", "allocation, once: start Cmd; press P/OK");
  const std::size_t path = book.AddTest("Cmd.exploration", "start Cmd; press P/OK");
  const Case faulted{Phase::Faults, "Cmd", "allocation, once", {"fault allocation 2 once", "start Cmd"}, 2};
  const Case longer{Phase::Exploration, "Cmd", "path", {"start Cmd", "press P/OK", "close P"}, 0};
  const Case shorter{Phase::Exploration, "Cmd", "path", {"start Cmd", "press P/OK"}, 0};
  book.Record(faulted, {Leak, Leak}, sweep, 1);
  book.Record(longer, {Leak, OverRelease}, path);
  book.Record(shorter, {Leak}, path, 1);
  EXPECT_EQ(book.FindingCount(), 2U);
  book.Close();

  ASSERT_EQ(outcome.Findings.size(), 2U);
  // Both first seen without a fault; the leak's simplest case is the shorter path.
  const FindingGroup& leak = outcome.Findings[0];
  EXPECT_EQ(leak.What, Leak);
  EXPECT_EQ(leak.Count, 4);
  EXPECT_EQ(leak.First.Where.Lines, shorter.Lines);
  EXPECT_EQ(leak.First.Step, 1);
  EXPECT_EQ(leak.ByPhase, (std::map<Phase, int>{{Phase::Exploration, 2}, {Phase::Faults, 2}}));
  EXPECT_EQ(outcome.Findings[1].What, OverRelease);
  EXPECT_EQ(outcome.Findings[1].First.Where.Lines, longer.Lines);
  // A test lists each of its failures once.
  EXPECT_EQ(outcome.Tests[sweep].Failures, std::vector<Finding>{Leak});
  EXPECT_EQ(outcome.Tests[path].Failures, (std::vector<Finding>{Leak, OverRelease}));
}

TEST(FindingBook, FindingsOfEquallySimpleCasesKeepTheOrderOfKindAndMessage) {
  Outcome outcome;
  FindingBook book(outcome);
  const std::size_t test = book.AddTest("load", "exports");
  const Case load{Phase::Load, "", "exports", {}, 0};
  book.Record(load, {OverRelease, Leak, {kind::Leak, "a"}}, test);
  book.Close();
  ASSERT_EQ(outcome.Findings.size(), 3U);
  EXPECT_EQ(outcome.Findings[0].What, (Finding{kind::Leak, "a"}));
  EXPECT_EQ(outcome.Findings[1].What, Leak);
  EXPECT_EQ(outcome.Findings[2].What, OverRelease);
}

class Sweeps : public ::testing::Test {
 protected:
  Outcome _Outcome;
  FindingBook _Book{_Outcome};
  Queue _Queue;
  SweepPlanner _Planner{_Book, _Queue.Submitter()};
  const std::size_t _Families = FaultFamilies().size();

  // The sweep of family `family` of the path whose steps are `steps`, as submitted.
  const Job& SweepOf(const std::vector<std::string>& steps, int family) {
    for (const auto& submitted : _Queue.Jobs) {
      if (submitted.Work.Steps == steps && std::get<SweepJob>(submitted.Work.Work).Family == family) {
        return submitted.Work;
      }
    }
    throw std::runtime_error("no such sweep");
  }
};

TEST_F(Sweeps, APathIsSweptByEveryFamilyFromTheFirstFaultPoint) {
  _Planner.Sweep({"Cmd", {"start Cmd"}});
  ASSERT_EQ(_Queue.Jobs.size(), _Families);
  for (std::size_t family = 0; family < _Families; ++family) {
    const Submitted& submitted = _Queue.Jobs[family];
    EXPECT_EQ(submitted.Order, Sweeping);
    const auto& work = std::get<SweepJob>(submitted.Work.Work);
    EXPECT_EQ(work.Family, static_cast<int>(family));
    EXPECT_EQ(work.From, 1);
    EXPECT_TRUE(work.Skip.empty());
    EXPECT_EQ(_Outcome.Tests[family].Suite, "Cmd.faults");
    EXPECT_EQ(_Outcome.Tests[family].Name, FaultFamilies()[family].Name() + ": start Cmd");
  }
  EXPECT_EQ(_Outcome.Stats["Cmd"].Sweeps, static_cast<int>(_Families));
}

TEST_F(Sweeps, ALongerPathWaitsForItsShorterPathAndLeavesOutTheRefusedPoints) {
  const std::vector<std::string> shorter{"start Cmd"};
  const std::vector<std::string> longer{"start Cmd", "press P/OK"};
  _Planner.Sweep({"Cmd", shorter});
  _Planner.Sweep({"Cmd", longer});
  ASSERT_EQ(_Queue.Jobs.size(), _Families) << "the longer path waits";

  const Job shorterSweep = SweepOf(shorter, 0);
  const auto& work = std::get<SweepJob>(shorterSweep.Work);
  // Point 3 was refused a line and told with a finding; 5 and 6 were refused among clean cases.
  CaseResult refused = Found(3, Leak);
  refused.Stopped = true;
  _Planner.OnResult(shorterSweep, work, refused);
  _Planner.OnClean(shorterSweep, work, 10, {5, 6});
  _Planner.OnResult(shorterSweep, work, Clean(14));
  EXPECT_EQ(_Queue.Jobs.size(), _Families) << "the family's sweep is not over yet";
  _Planner.OnDone(shorterSweep, work);

  ASSERT_EQ(_Queue.Jobs.size(), _Families + 1);
  const auto& inherited = std::get<SweepJob>(SweepOf(longer, 0).Work);
  EXPECT_EQ(inherited.Skip, (std::vector<int>{3, 5, 6}));
  EXPECT_EQ(_Outcome.Stats["Cmd"].Identical, 3);
  EXPECT_EQ(_Outcome.Stats["Cmd"].FaultCases, 12);
  EXPECT_EQ(_Outcome.Tests[0].Cases, 12) << "the shorter path's first family";
  ASSERT_EQ(_Outcome.Tests[0].Failures, std::vector<Finding>{Leak});

  // A longer path found after the shorter one's sweep is over starts at once, with the same points left out.
  const std::vector<std::string> other{"start Cmd", "close P"};
  _Planner.Sweep({"Cmd", other});
  EXPECT_EQ(std::get<SweepJob>(SweepOf(other, 0).Work).Skip, (std::vector<int>{3, 5, 6}));
  EXPECT_THROW(SweepOf(other, 1), std::runtime_error) << "the shorter path's sweep of family 1 is not over";
}

TEST_F(Sweeps, ADeathIsAFindingWithTheFaultLineAndASweepThatHangsTwiceStops) {
  const std::vector<std::string> steps{"start Cmd", "press P/OK"};
  _Planner.Sweep({"Cmd", steps});
  const Job& sweep = SweepOf(steps, 0);
  const auto& work = std::get<SweepJob>(sweep.Work);
  const std::vector<std::string> lines = SweepLines(sweep, work, 4);
  EXPECT_EQ(lines, (std::vector<std::string>{FaultFamilies()[0].Line(4), "start Cmd", "press P/OK"}));

  EXPECT_TRUE(_Planner.OnDeath(sweep, work, Hung(4, 2), lines)) << "one hang: the sweep goes on";
  EXPECT_FALSE(_Planner.OnDeath(sweep, work, Hung(7, 2), SweepLines(sweep, work, 7))) << "the second ends it";
  _Book.Close();
  ASSERT_EQ(_Outcome.Findings.size(), 1U);
  const FindingGroup& hang = _Outcome.Findings[0];
  EXPECT_EQ(hang.What, (Finding{kind::Hang, "no answer within 10 ms during `press P/OK`"}));
  EXPECT_EQ(hang.Count, 2);
  EXPECT_EQ(hang.First.Where.Lines, lines);
  EXPECT_EQ(hang.First.Where.FaultPoint, 4);
  EXPECT_EQ(hang.First.Step, 2);
}

class PathsExplored : public ::testing::Test {
 protected:
  PathsExplored() {
    _Document.Root.Name = "Hull";
    _Document.Root.Children.push_back({});
    _Document.Root.Children[0].Name = "Block A";
    _Document.ActivePath = std::vector<std::string>{"Hull", "Block A"};
  }

  // The explorer's number of the path submitted as the nth job.
  const ExplorationJob& Work(std::size_t nth) { return std::get<ExplorationJob>(_Queue.Jobs.at(nth).Work.Work); }

  vexhost::DocumentData _Document;
  Outcome _Outcome;
  FindingBook _Book{_Outcome};
  Queue _Sweeps;
  SweepPlanner _Planner{_Book, _Sweeps.Submitter()};
  HungLines _Hangs;
  Queue _Queue;
  Explorer _Explorer{{2, 100}, _Document, _Book, _Planner, _Hangs, _Queue.Submitter()};
};

TEST_F(PathsExplored, ACommandStartsWithItsLifecyclesAndItsStartOnEveryOtherProduct) {
  _Explorer.Plan("Cmd");
  EXPECT_EQ(_Queue.Steps(), (std::vector<std::vector<std::string>>{{"start Cmd"},
                                                                   {"start Cmd", "interrupt"},
                                                                   {"start Cmd", "start Cmd"},
                                                                   {"noeditor", "start Cmd"},
                                                                   {"active Hull", "start Cmd"},
                                                                   {"start Cmd", "reactivate"}}));
  // Every run reports the state it reached, also where nothing is explored from it (the way-out
  // search needs it).
  for (const auto& submitted : _Queue.Jobs) {
    EXPECT_EQ(submitted.Order, Exploring);
    EXPECT_TRUE(std::get<ExplorationJob>(submitted.Work.Work).Look);
  }
  ASSERT_EQ(_Outcome.Tests.size(), 6U);
  EXPECT_EQ(_Outcome.Tests[0].Suite, "Cmd.lifecycle");
  EXPECT_EQ(_Outcome.Tests[0].Name, "start and close the document");
  EXPECT_EQ(_Outcome.Tests[4].Suite, "Cmd.exploration");
  EXPECT_EQ(_Outcome.Tests[4].Name, "active Hull; start Cmd");
  EXPECT_EQ(_Outcome.Tests[5].Name, "start, then activate it again");
}

TEST_F(PathsExplored, ResultsAreTakenInTheOrderThePathsWereFoundWhicheverArrivesFirst) {
  _Explorer.Plan("Cmd");
  const std::size_t planned = _Queue.Jobs.size();
  // The fifth path's result arrives first: nothing is taken until the first four's are in.
  _Explorer.OnResult(Work(4), Reached("elsewhere", {"press Q/OK"}));
  _Explorer.OnResult(Work(1), Clean());
  EXPECT_EQ(_Queue.Jobs.size(), planned);
  EXPECT_TRUE(_Sweeps.Jobs.empty());
  _Explorer.OnResult(Work(0), Reached("panel", {"press P/Cancel", "close P"}));
  _Explorer.OnResult(Work(2), Clean());
  _Explorer.OnResult(Work(3), Reached("panel", {"press P/Cancel"}));

  // The paths from the first path's state come before those from the fifth's; the fourth path's
  // state was seen before, so nothing is explored from it.
  const auto steps = _Queue.Steps();
  EXPECT_EQ(
      std::vector<std::vector<std::string>>(steps.begin() + static_cast<long>(planned), steps.end()),
      (std::vector<std::vector<std::string>>{
          {"start Cmd", "press P/Cancel"}, {"start Cmd", "close P"}, {"active Hull", "start Cmd", "press Q/OK"}}));
  EXPECT_EQ(_Outcome.Stats["Cmd"].States, 2);
  EXPECT_EQ(_Outcome.Stats["Cmd"].Lifecycles, 4);
  EXPECT_EQ(_Outcome.Stats["Cmd"].Paths, 1);
  // Every path ran clean, but the two that extend the first path wait for its sweeps.
  EXPECT_EQ(_Sweeps.Jobs.size(), 3 * FaultFamilies().size());
}

TEST_F(PathsExplored, APathWithFindingsIsSweptAndAPathRefusedItsLastLineIsNot) {
  _Explorer.Plan("Cmd");
  // A finding without faults does not keep the faults away: what hides behind it is swept too.
  CaseResult leaked = Found(0, Leak);
  leaked.Trail = {"nothing"};
  _Explorer.OnResult(Work(0), leaked);
  EXPECT_EQ(_Sweeps.Jobs.size(), FaultFamilies().size());
  // Refused where it was never done: the validator's guess was wrong, not the module.
  CaseResult stopped = Clean();
  stopped.Stopped = true;
  stopped.Trail = {"nothing", "panel"};
  _Explorer.OnResult(Work(1), stopped);
  EXPECT_EQ(_Sweeps.Jobs.size(), FaultFamilies().size());
  EXPECT_EQ(_Outcome.Stats["Cmd"].Unswept, 1);
  EXPECT_EQ(_Outcome.Stats["Cmd"].Refused, 1);
  EXPECT_TRUE(_Outcome.Tests[1].Failures.empty());
}

TEST_F(PathsExplored, APathThatEndsInALineThatHungTwiceIsSkippedAndADeathIsTakenInItsTurn) {
  _Explorer.Plan("Cmd");
  // The start on the other product hangs during its last line, twice (as two jobs would).
  _Hangs.Note(Hung(0, 1), {"active Hull", "press Q/OK"});
  _Hangs.Note(Hung(0, 1), {"active Hull", "press Q/OK"});
  EXPECT_EQ(_Hangs.Lines(), std::vector<std::string>{"press Q/OK"});
  _Explorer.OnDeath(Work(4), Hung(0, 1));
  _Explorer.OnResult(Work(0), Clean());
  _Explorer.OnResult(Work(1), Clean());
  _Explorer.OnResult(Work(2), Clean());
  _Explorer.OnResult(Work(3), Reached("panel", {"press Q/OK", "press P/Cancel"}));
  _Explorer.OnResult(Work(5), Clean());
  // The path that would end in the hung line is found, booked as skipped, and never submitted.
  ASSERT_EQ(_Queue.Jobs.size(), 7U);
  EXPECT_EQ(_Queue.Jobs[6].Work.Steps, (std::vector<std::string>{"noeditor", "start Cmd", "press P/Cancel"}));
  EXPECT_EQ(_Outcome.Stats["Cmd"].Skipped, 1);
  const auto skipped =
      std::find_if(_Outcome.Tests.begin(), _Outcome.Tests.end(), [](const TestRecord& test) { return test.Skipped; });
  ASSERT_NE(skipped, _Outcome.Tests.end());
  EXPECT_EQ(skipped->Name, "noeditor; start Cmd; press Q/OK");
  _Book.Close();
  ASSERT_EQ(_Outcome.Findings.size(), 1U);
  EXPECT_EQ(_Outcome.Findings[0].What.Message, "no answer within 10 ms during `start Cmd`");
}

TEST_F(PathsExplored, ADeathAfterThePathsResultDoesNotTakeTheResultBack) {
  _Explorer.Plan("Cmd");
  _Explorer.OnResult(Work(1), Clean());
  _Explorer.OnDeath(Work(1), Hung(0, 1));
  for (std::size_t nth : {0U, 2U, 3U, 4U}) _Explorer.OnResult(Work(nth), Clean());
  _Book.Close();
  EXPECT_TRUE(_Outcome.Findings.empty());
  EXPECT_EQ(_Outcome.Stats["Cmd"].Lifecycles, 4);
}
