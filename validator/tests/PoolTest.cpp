// Isolation: workers that crash, hang or leave are reported with the case and line they were
// running and replaced, and the rest of their job goes on. The workers here are stand-ins that
// misbehave on purpose at chosen cases; no module is involved.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "validator/processes/Pool.h"
#include "validator/processes/Processes.h"

using namespace vexvalidator;

namespace {

enum class Misdeed { None, Crash, Hang, Leave, Garble, StrayStep, EndlessLines };

// A worker that runs sweep cases From..Last, each of two lines, and misbehaves at case `at`.
Pool::WorkerMain Worker(Misdeed misdeed, int at) {
  return [=](int in, int out, Slot& slot) {
    std::FILE* input = ::fdopen(in, "r");
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, input) != nullptr) {
      const SweepJob sweep = std::get<SweepJob>(DecodeJob(buffer).Work);
      for (int n = sweep.From; n <= sweep.Last; ++n) {
        slot.BeginCase(n);
        slot.BeginLine(1);
        if (n == at && misdeed == Misdeed::Crash) std::abort();
        while (n == at && misdeed == Misdeed::Hang) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // A case whose lines each end quickly, but which never ends.
        for (int line = 2; n == at && misdeed == Misdeed::EndlessLines; ++line) {
          slot.BeginLine(line);
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // A worker that scribbles on its channel is put down at the case it is running then: here it
        // waits to be.
        if (n == at && misdeed == Misdeed::Garble) WriteAll(out, "{\"n\": 3, \"met\n");
        if (n == at && misdeed == Misdeed::StrayStep) WriteAll(out, EncodeMessage(StepMessage{"press Dialog/OK"}));
        while (n == at && (misdeed == Misdeed::Garble || misdeed == Misdeed::StrayStep)) {
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        CaseResult result;
        result.N = n;
        result.FaultMet = true;
        result.Fatal = n == at && misdeed == Misdeed::Leave;
        if (result.Fatal) result.Findings.push_back({"exception", "left"});
        WriteAll(out, EncodeMessage(result));
        if (result.Fatal) _exit(0);
      }
      WriteAll(out, EncodeMessage(DoneMessage{}));
    }
    _exit(0);
  };
}

struct Seen {
  std::vector<int> Results;
  std::vector<Pool::Death> Deaths;
  int Done = 0;
};

Seen RunSweep(Misdeed misdeed, int at, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  Pool pool(1, limit, Worker(misdeed, at));
  Job job;
  job.Work = SweepJob{0, 1, 5, {}};
  pool.Submit(job, 0);
  Seen seen;
  Pool::Handlers handlers;
  handlers.OnResult = [&](const Job&, const CaseResult& result) { seen.Results.push_back(result.N); };
  handlers.OnClean = [](const Job&, const CleanMessage&) {};
  handlers.OnDeath = [&](const Job&, const Pool::Death& death) {
    seen.Deaths.push_back(death);
    return true;
  };
  handlers.OnDone = [&](const Job&) { ++seen.Done; };
  pool.Run(handlers);
  return seen;
}

}  // namespace

TEST(Isolation, AWellBehavedWorkerRunsTheWholeJob) {
  const Seen seen = RunSweep(Misdeed::None, 0);
  EXPECT_EQ(seen.Results, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(seen.Deaths.empty());
  EXPECT_EQ(seen.Done, 1);
}

TEST(Isolation, ACrashIsToldWithItsCaseLineAndSignalAndTheSweepGoesOn) {
  const Seen seen = RunSweep(Misdeed::Crash, 3);
  ASSERT_EQ(seen.Deaths.size(), 1U);
  EXPECT_EQ(seen.Deaths[0].N, 3);
  EXPECT_EQ(seen.Deaths[0].Line, 1);
  EXPECT_FALSE(seen.Deaths[0].TimedOut);
  EXPECT_NE(seen.Deaths[0].How.find("signal SIGABRT (Aborted)"), std::string::npos) << seen.Deaths[0].How;
  EXPECT_EQ(seen.Results, (std::vector<int>{1, 2, 4, 5}));
  EXPECT_EQ(seen.Done, 1);
}

TEST(Isolation, AWorkerThatStandsStillPastTheLimitIsTakenAsHung) {
  const auto started = std::chrono::steady_clock::now();
  const Seen seen = RunSweep(Misdeed::Hang, 2, std::chrono::milliseconds(300));
  ASSERT_EQ(seen.Deaths.size(), 1U);
  EXPECT_TRUE(seen.Deaths[0].TimedOut);
  EXPECT_EQ(seen.Deaths[0].N, 2);
  EXPECT_NE(seen.Deaths[0].How.find("no answer within 300 ms"), std::string::npos);
  EXPECT_EQ(seen.Results, (std::vector<int>{1, 3, 4, 5}));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST(Isolation, TheTimeLimitIsACasesAlsoWhenItsLinesKeepMoving) {
  const Seen seen = RunSweep(Misdeed::EndlessLines, 4, std::chrono::milliseconds(300));
  ASSERT_EQ(seen.Deaths.size(), 1U);
  EXPECT_TRUE(seen.Deaths[0].TimedOut);
  EXPECT_EQ(seen.Deaths[0].N, 4);
  EXPECT_GT(seen.Deaths[0].Line, 2) << "the line it had reached is named";
  EXPECT_EQ(seen.Results, (std::vector<int>{1, 2, 3, 5}));
}

TEST(Isolation, AStopAskedForEndsTheRunAndItsWorkersAtOnce) {
  Pool pool(1, std::chrono::seconds(10), Worker(Misdeed::Hang, 1));
  Job job;
  job.Work = SweepJob{0, 1, 5, {}};
  pool.Submit(job, 0);
  Pool::Handlers handlers;
  int deaths = 0;
  handlers.OnResult = [](const Job&, const CaseResult&) {};
  handlers.OnClean = [](const Job&, const CleanMessage&) {};
  handlers.OnDeath = [&](const Job&, const Pool::Death&) { return ++deaths, true; };
  handlers.OnDone = [](const Job&) {};
  const auto started = std::chrono::steady_clock::now();
  handlers.ShouldStop = [&] { return std::chrono::steady_clock::now() - started > std::chrono::milliseconds(200); };
  EXPECT_FALSE(pool.Run(handlers)) << "stopped, not run to its end";
  EXPECT_EQ(deaths, 0) << "a stopped worker is no finding";
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST(Isolation, AWorkerThatLeavesAfterAFatalCaseIsReplacedWithoutADeath) {
  const Seen seen = RunSweep(Misdeed::Leave, 2);
  EXPECT_TRUE(seen.Deaths.empty());
  EXPECT_EQ(seen.Results, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(seen.Done, 1);
}

TEST(Isolation, AWorkerThatSendsALineThatIsNoMessageIsPutDownAndTheSweepGoesOn) {
  const Seen seen = RunSweep(Misdeed::Garble, 3);
  ASSERT_EQ(seen.Deaths.size(), 1U);
  EXPECT_EQ(seen.Deaths[0].N, 3);
  EXPECT_EQ(seen.Deaths[0].Line, 1);
  EXPECT_FALSE(seen.Deaths[0].TimedOut);
  EXPECT_NE(seen.Deaths[0].How.find("the worker sent a malformed message: not a JSON object"), std::string::npos)
      << seen.Deaths[0].How;
  EXPECT_EQ(seen.Results, (std::vector<int>{1, 2, 4, 5}));
  EXPECT_EQ(seen.Done, 1);
}

TEST(Isolation, AMessageOutOfItsPlaceIsMalformedToo) {
  const Seen seen = RunSweep(Misdeed::StrayStep, 2);
  ASSERT_EQ(seen.Deaths.size(), 1U);
  EXPECT_EQ(seen.Deaths[0].N, 2);
  EXPECT_NE(seen.Deaths[0].How.find("a chosen line told outside a random sequence"), std::string::npos)
      << seen.Deaths[0].How;
  EXPECT_EQ(seen.Results, (std::vector<int>{1, 3, 4, 5}));
  EXPECT_EQ(seen.Done, 1);
}
