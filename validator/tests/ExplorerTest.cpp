// The explorer driven against small simulated modules, each a table of states and moves, the way the
// pool would drive it: presses repeated where nothing changed, nondeterminism told from a wrong
// guess, faults behind a fault, the bounds met, and the search for a way out that finds a person
// stranded.
#include <gtest/gtest.h>

#include <algorithm>

#include "validator/case/Faults.h"
#include "validator/exploration/Explorer.h"

using namespace vexvalidator;

namespace {

// A module as a table: in each state, what a person can do and where each action leads. "none" and
// "ended" are states with no command running.
struct Model {
  std::map<std::string, std::vector<std::string>> Actions;
  std::map<std::pair<std::string, std::string>, std::string> Moves;
  std::set<std::vector<std::string>> Fatal;  // paths whose run ends in an exception part-way
};

// `slowLine`: a line slower than a person waits, wherever it is run.
CaseResult Simulate(const Model& model, const std::vector<std::string>& steps, const std::string& slowLine = {}) {
  CaseResult result;
  result.FaultMet = true;
  std::string state = "none";
  bool editor = true;
  for (const auto& line : steps) {
    result.Trail.push_back(state);
    if (model.Fatal.count(steps) != 0 && &line == &steps.back()) {
      result.Fatal = true;
      result.Findings = {{kind::Exception, "a C++ exception crossed the boundary: std::out_of_range: at"}};
      return result;
    }
    if (line == "start Cmd") {
      state = editor ? "panel" : "unseen";
    } else if (line == "noeditor") {
      editor = false;
    } else if (line == "interrupt") {
      state = "none";
    } else if (line == "reactivate") {
      // Activated again, the command shows what it showed.
    } else if (line.rfind("active ", 0) != 0) {
      const auto move = model.Moves.find({state, line});
      if (move == model.Moves.end()) {
        result.Stopped = true;
        break;
      }
      state = move->second;
    }
  }
  if (!slowLine.empty() && std::find(steps.begin(), steps.end(), slowLine) != steps.end()) {
    result.Findings.push_back({kind::Slow, "`" + slowLine + "` took longer than 500 ms"});
  }
  result.Fingerprint = state;
  result.Running = state != "none" && state != "ended";
  const auto actions = model.Actions.find(state);
  if (!result.Stopped && actions != model.Actions.end()) result.Actions = actions->second;
  return result;
}

class Explored : public ::testing::Test {
 protected:
  Explored() {
    _Document.Root.Name = "Hull";
    _Document.ActivePath = std::vector<std::string>{"Hull"};
  }

  // Answers every job submitted, those submitted while answering included, as the module would.
  void RunAll(Explorer& explorer, const Model& model) {
    for (std::size_t i = 0; i < _Queue.size(); ++i) {
      const Job job = _Queue[i];
      explorer.OnResult(std::get<ExplorationJob>(job.Work), Simulate(model, job.Steps, _SlowLine));
    }
  }

  bool Submitted(const std::vector<std::string>& steps) const {
    return std::any_of(_Queue.begin(), _Queue.end(), [&](const Job& job) { return job.Steps == steps; });
  }

  const FindingGroup* FindingOf(const std::string& kind) const {
    for (const auto& group : _Outcome.Findings) {
      if (group.What.Kind == kind) return &group;
    }
    return nullptr;
  }

  vexhost::DocumentData _Document;
  Outcome _Outcome;
  FindingBook _Book{_Outcome};
  std::vector<Job> _Sweeps;
  SweepPlanner _Planner{_Book, [this](Job job, Priority) { _Sweeps.push_back(std::move(job)); }};
  HungLines _Hangs;
  std::vector<Job> _Queue;
  std::string _SlowLine;
  SubmitJob _Submit = [this](Job job, Priority) { _Queue.push_back(std::move(job)); };
};

const std::string OK = "press P/OK";
const std::string Cancel = "press P/Cancel";
const std::string Close = "close P";

}  // namespace

TEST_F(Explored, APressThatChangesNothingIsPressedAgainUpToThreeTimesWithoutFaults) {
  // OK applies and stays; Cancel ends.
  const Model model{{{"panel", {OK, Cancel}}}, {{{"panel", OK}, "panel"}, {{"panel", Cancel}, "ended"}}, {}};
  Explorer explorer({2, 100}, _Document, _Book, _Planner, _Hangs, _Submit);
  explorer.Plan("Cmd");
  RunAll(explorer, model);
  EXPECT_TRUE(Submitted({"start Cmd", OK, OK}));
  EXPECT_TRUE(Submitted({"start Cmd", OK, OK, OK}));
  EXPECT_FALSE(Submitted({"start Cmd", OK, OK, OK, OK}));
  EXPECT_EQ(_Outcome.Stats["Cmd"].Repeats, 2);
  // The repeats run without faults: only the exploration's own paths are swept.
  for (const auto& sweep : _Sweeps) EXPECT_LE(sweep.Steps.size(), 2U);
  EXPECT_TRUE(explorer.Over());
  _Book.Close();
  EXPECT_TRUE(_Outcome.Findings.empty());
}

TEST_F(Explored, TheFirstPathThatEndsWithOKRunsAgainWithTheCommandActivatedAnewInItsCourse) {
  // Typing keeps the command running; OK ends it, from either state. Cancel ends it too, first.
  const std::string type = "type P/Editor x";
  const Model model{
      {{"panel", {Cancel, type, OK}}, {"typed", {OK}}},
      {{{"panel", Cancel}, "ended"}, {{"panel", type}, "typed"}, {{"panel", OK}, "ended"}, {{"typed", OK}, "ended"}},
      {}};
  Explorer explorer({2, 100}, _Document, _Book, _Planner, _Hangs, _Submit);
  explorer.Plan("Cmd");
  RunAll(explorer, model);
  EXPECT_TRUE(Submitted({"start Cmd", "reactivate"})) << "a lifecycle of its own";
  EXPECT_FALSE(Submitted({"start Cmd", "reactivate", Cancel})) << "a path that ends with Cancel is not the one";
  EXPECT_TRUE(Submitted({"start Cmd", "reactivate", OK}));
  EXPECT_TRUE(Submitted({"start Cmd", "noeditor", "reactivate", OK}));
  // Its only step after the start is the OK: activated anew just before it is the same path.
  EXPECT_FALSE(Submitted({"start Cmd", "noeditor", "reactivate", "noeditor", "reactivate", OK}));
  EXPECT_FALSE(Submitted({"start Cmd", "reactivate", type, OK})) << "the first such path only";
  EXPECT_FALSE(Submitted({"start Cmd", type, "noeditor", "reactivate", OK}));
  // Run as paths are, and swept, but nothing is explored from them.
  EXPECT_FALSE(Submitted({"start Cmd", "reactivate", OK, OK}));
  const auto swept = std::any_of(_Sweeps.begin(), _Sweeps.end(), [](const Job& job) {
    return job.Steps == std::vector<std::string>{"start Cmd", "noeditor", "reactivate", OK};
  });
  EXPECT_TRUE(swept);
}

TEST_F(Explored, ARefusedLineIsNondeterministicOnlyWhereTheSameLineWasDoneInTheSameState) {
  // OK is taken once in the panel, then refused there: the fingerprint missed something, or the
  // module is nondeterministic. Cancel leads to a state that offers what the host then refuses.
  // The close boxes end the command: a refusal changes nothing, so without them both states would strand a person.
  Model model{
      {{"panel", {OK, Cancel, Close}}, {"odd", {"press Q/OK", Close}}},
      {{{"panel", OK}, "panel"}, {{"panel", Cancel}, "odd"}, {{"panel", Close}, "ended"}, {{"odd", Close}, "ended"}},
      {}};
  Explorer explorer({2, 100}, _Document, _Book, _Planner, _Hangs, _Submit);
  explorer.Plan("Cmd");
  // The run of the second press refuses it, as a nondeterministic module would.
  for (std::size_t i = 0; i < _Queue.size(); ++i) {
    const Job job = _Queue[i];
    CaseResult result = Simulate(model, job.Steps);
    if (job.Steps == std::vector<std::string>{"start Cmd", OK, OK}) {
      result = Simulate(model, {"start Cmd", OK});
      result.Trail.push_back("panel");
      result.Stopped = true;
    }
    explorer.OnResult(std::get<ExplorationJob>(job.Work), result);
  }
  _Book.Close();
  const FindingGroup* nondeterminism = FindingOf(kind::Nondeterminism);
  ASSERT_NE(nondeterminism, nullptr);
  EXPECT_EQ(nondeterminism->What.Message, "`press P/OK` was refused in a state where the same line was done before");
  EXPECT_EQ(_Outcome.Stats["Cmd"].Refused, 1) << "Q's OK was never done in that state: no finding";
  EXPECT_EQ(_Outcome.Findings.size(), 1U);
}

TEST_F(Explored, AFatalRunThatReachedAStateIsExploredAndSweptAndOneLeftPartWayIsNot) {
  // Every run that ends with the panel open throws at its end; closing it throws part-way.
  Model model{
      {{"panel", {OK, Close}}}, {{{"panel", OK}, "ended"}, {{"panel", Close}, "ended"}}, {{"start Cmd", Close}}};
  Explorer explorer({1, 100}, _Document, _Book, _Planner, _Hangs, _Submit);
  explorer.Plan("Cmd");
  for (std::size_t i = 0; i < _Queue.size(); ++i) {
    const Job job = _Queue[i];
    CaseResult result = Simulate(model, job.Steps);
    if (result.Running && !result.Fatal) {
      result.Fatal = true;
      result.Findings = {{kind::Exception, "a C++ exception crossed the boundary: std::out_of_range: at"}};
    }
    explorer.OnResult(std::get<ExplorationJob>(job.Work), result);
  }
  EXPECT_TRUE(Submitted({"start Cmd", OK})) << "explored past the fatal start";
  // Asked of the sweep planner (a longer path's sweeps wait for its shorter path's, which never end here).
  const auto swept = [&](const std::vector<std::string>& steps) {
    std::string joined;
    for (const auto& step : steps) joined += (joined.empty() ? "" : "; ") + step;
    return std::any_of(_Outcome.Tests.begin(), _Outcome.Tests.end(), [&](const TestRecord& test) {
      return test.Suite == "Cmd.faults" && test.Name.size() > joined.size() &&
             test.Name.compare(test.Name.size() - joined.size() - 2, std::string::npos, ": " + joined) == 0;
    });
  };
  EXPECT_TRUE(swept({"start Cmd"}));
  EXPECT_TRUE(swept({"start Cmd", OK}));
  EXPECT_FALSE(swept({"start Cmd", Close}));
  EXPECT_EQ(_Outcome.Stats["Cmd"].Died, 1);
  EXPECT_EQ(_Outcome.Stats["Cmd"].Unswept, 1);
}

TEST_F(Explored, TheBoundsMetAreCountedWhereTheExplorationStopped) {
  // A chain of states, each OK leading on; Cancel ends everywhere.
  Model model;
  const std::vector<std::string> chain{"panel", "s2", "s3", "s4", "s5"};
  for (std::size_t i = 0; i < chain.size(); ++i) {
    model.Actions[chain[i]] = {OK, Cancel};
    model.Moves[{chain[i], Cancel}] = "ended";
    model.Moves[{chain[i], OK}] = i + 1 < chain.size() ? chain[i + 1] : chain[i];
  }
  {
    Explorer explorer({2, 100}, _Document, _Book, _Planner, _Hangs, _Submit);
    explorer.Plan("Cmd");
    RunAll(explorer, model);
    EXPECT_EQ(_Outcome.Stats["Cmd"].DepthFrontier, 1) << "s3, at depth 2, was not explored";
    EXPECT_EQ(_Outcome.Stats["Cmd"].StatesTurnedAway, 0);
    EXPECT_GT(_Outcome.Stats["Cmd"].WayOut, 0) << "s3's way out was looked for beyond the depth";
    EXPECT_EQ(_Outcome.Stats["Cmd"].WayOutUnknown, 0) << "and found: its Cancel ends the command";
  }
  Outcome bounded;
  FindingBook book(bounded);
  _Queue.clear();
  Explorer explorer({4, 2}, _Document, book, _Planner, _Hangs, _Submit);
  explorer.Plan("Cmd");
  RunAll(explorer, model);
  EXPECT_EQ(bounded.Stats["Cmd"].States, 2) << "the panel, and the command started with no editor";
  EXPECT_EQ(bounded.Stats["Cmd"].StatesTurnedAway, 2) << "s2 and the ended state";
}

TEST_F(Explored, AStateThatNothingEndsIsAFindingWhoseReplayTriesToLeave) {
  // Cancel steps back into a trap that Cancel and the close box never leave; OK ends.
  const Model model{
      {{"panel", {OK, Cancel}}, {"trap", {Cancel, Close}}},
      {{{"panel", OK}, "ended"}, {{"panel", Cancel}, "trap"}, {{"trap", Cancel}, "trap"}, {{"trap", Close}, "trap"}},
      {}};
  Explorer explorer({1, 100}, _Document, _Book, _Planner, _Hangs, _Submit);
  explorer.Plan("Cmd");
  RunAll(explorer, model);
  ASSERT_TRUE(explorer.Over());
  _Book.Close();
  const FindingGroup* stranded = FindingOf(kind::Stranded);
  ASSERT_NE(stranded, nullptr);
  EXPECT_EQ(stranded->What.Message,
            "the command runs on with 'P' shown, and no sequence of a person's actions ends it");
  EXPECT_EQ(stranded->First.Where.Lines, (std::vector<std::string>{"start Cmd", Cancel, Close, "expect running no"}));
  EXPECT_EQ(stranded->First.Step, 2);
  EXPECT_EQ(stranded->Count, 1);
  EXPECT_EQ(_Outcome.Stats["Cmd"].WayOutUnknown, 0);
}

TEST_F(Explored, AStartThatNothingInItsDialogsEndsIsStrandedThoughTheHostCanCancelIt) {
  // Both buttons lead back; only the host's cancel (starting again, closing the document) ends it.
  const Model model{{{"panel", {OK, Cancel}}}, {{{"panel", OK}, "panel"}, {{"panel", Cancel}, "panel"}}, {}};
  Explorer explorer({2, 100}, _Document, _Book, _Planner, _Hangs, _Submit);
  explorer.Plan("Cmd");
  RunAll(explorer, model);
  _Book.Close();
  const FindingGroup* stranded = FindingOf(kind::Stranded);
  ASSERT_NE(stranded, nullptr);
  EXPECT_EQ(stranded->First.Where.Lines, (std::vector<std::string>{"start Cmd", Cancel, "expect running no"}));
}

TEST_F(Explored, APathWithASlowStepIsExploredFurtherButNotSwept) {
  // OK is slow and applies; Cancel ends, before OK and after.
  const Model model{{{"panel", {OK, Cancel}}, {"applied", {Cancel}}},
                    {{{"panel", OK}, "applied"}, {{"panel", Cancel}, "ended"}, {{"applied", Cancel}, "ended"}},
                    {}};
  _SlowLine = OK;
  Explorer explorer({2, 100}, _Document, _Book, _Planner, _Hangs, _Submit);
  explorer.Plan("Cmd");
  RunAll(explorer, model);
  EXPECT_TRUE(Submitted({"start Cmd", OK, Cancel})) << "what follows a slow step is explored";
  ASSERT_FALSE(_Sweeps.empty()) << "the paths without it are swept";
  for (const auto& sweep : _Sweeps) EXPECT_EQ(std::count(sweep.Steps.begin(), sweep.Steps.end(), OK), 0);
  EXPECT_EQ(_Outcome.Stats["Cmd"].SlowUnswept, 2) << "start+OK and start+OK+Cancel";
  _Book.Close();
  ASSERT_NE(FindingOf(kind::Slow), nullptr);
}
