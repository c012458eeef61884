// The validator and the processes the module runs in: the probes of loading (at load, at unload,
// at exit), what a case writes or changes of its process, a step slower than a person waits, and
// the host's record of a misuse as a finding. The module is loaded only in child processes here,
// as the validator loads it: a module that aborts at exit would otherwise take the test with it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "TestModules.h"
#include "validator/processes/Isolated.h"
#include "validator/processes/LoadChecks.h"
#include "validator/processes/OutputCapture.h"
#include "validator/processes/WorkerProcess.h"

using namespace vexvalidator;
using namespace vexvalidatortest;

namespace {

const LoadCheck* Check(const LoadReport& report, const std::string& name) {
  for (const auto& check : report.Checks) {
    if (check.Name == name) return &check;
  }
  return nullptr;
}

std::vector<std::string> Texts(const std::vector<Finding>& findings) {
  std::vector<std::string> texts;
  for (const auto& finding : findings) texts.push_back(finding.Kind + ": " + finding.Message);
  return texts;
}

// Runs `lines` in a worker process of its own, set up as the validator sets one up.
nlohmann::json InWorker(const std::string& module, std::vector<std::string> lines, int slowMs, bool watched = false) {
  const Isolated child = RunIsolated(
      [&](Slot&) {
        RunSetup setup = ShipSetup();
        setup.Module = module;
        setup.SlowMs = slowMs;
        WorkerProcess process(setup);
        RunRequest request{.Lines = lines};
        CaseResult outcome;
        {
          const vexdrive::OpenWatch watching(watched ? process.Watch() : nullptr);
          outcome = RunCase(setup, request);
        }
        const WorkerProcess::Effects effects = process.AfterCase();
        outcome.Findings.insert(outcome.Findings.end(), effects.Findings.begin(), effects.Findings.end());
        return nlohmann::json{{"findings", Texts(outcome.Findings)},
                              {"untrustworthy", effects.Untrustworthy},
                              {"watched", process.Watch() != nullptr}};
      },
      std::chrono::seconds(20));
  EXPECT_TRUE(child.Value) << child.Death;
  return child.Value ? *child.Value : nlohmann::json::object();
}

}  // namespace

TEST(Probes, OurModuleLoadsUnloadsAndEndsItsProcessCleanly) {
  const LoadReport report = ProbeLoading(VEX_MODULE_PATH, ShipSetup(), std::chrono::seconds(20));
  ASSERT_TRUE(report.Loaded);
  EXPECT_FALSE(report.Stopped);
  EXPECT_EQ(report.Registered, std::vector<std::string>{Command});
  for (const char* name : {"registrations unique", "factories exported under their commands' names",
                           "no host calls at load", "thread-call switch for its own handle",
                           "process left as it was at load", "clean exit", "clean unload", "clean reload"}) {
    const LoadCheck* check = Check(report, name);
    ASSERT_NE(check, nullptr) << name;
    EXPECT_TRUE(check->Findings.empty()) << name << ": " << ::testing::PrintToString(Texts(check->Findings));
  }
}

TEST(Probes, AStaticThreadNeverJoinedIsSeenAtLoadAndAbortsAtExit) {
  const LoadReport report = ProbeLoading(VEX_THREAD_NEVER_JOINED_PATH, ShipSetup(), std::chrono::seconds(20));
  ASSERT_TRUE(report.Loaded);
  EXPECT_EQ(report.Registered, std::vector<std::string>{"VexExThreadNeverJoinedCmd"}) << "its commands are still known";
  const LoadCheck* atLoad = Check(report, "process left as it was at load");
  ASSERT_NE(atLoad, nullptr);
  // The watch saw the thread start: the thread it left running is the same fault.
  EXPECT_EQ(Texts(atLoad->Findings), std::vector<std::string>{"reach: at load: starts a thread"});
  const LoadCheck* atExit = Check(report, "clean exit");
  ASSERT_NE(atExit, nullptr);
  ASSERT_EQ(atExit->Findings.size(), 1U);
  EXPECT_EQ(atExit->Findings[0].Kind, kind::Crash);
  EXPECT_NE(atExit->Findings[0].Message.find("SIGABRT"), std::string::npos) << atExit->Findings[0].Message;
  EXPECT_NE(atExit->Findings[0].Message.find("as the process ended"), std::string::npos);
}

TEST(Probes, AStopAskedForEndsTheProbeWithoutAFinding) {
  const LoadReport report = ProbeLoading(VEX_MODULE_PATH, ShipSetup(), std::chrono::seconds(20), [] { return true; });
  EXPECT_TRUE(report.Stopped);
  EXPECT_TRUE(report.Checks.empty());
}

TEST(Capture, WhatTheProcessWritesIsTakenOnceAsAFinding) {
  const Isolated child = RunIsolated(
      [](Slot&) {
        OutputCapture capture;
        std::printf("first line\nsecond line\n");
        std::fputs("oops", stderr);
        nlohmann::json out;
        out["first"] = Texts(capture.Take());
        out["again"] = Texts(capture.Take());
        return out;
      },
      std::chrono::seconds(10));
  ASSERT_TRUE(child.Value) << child.Death;
  EXPECT_EQ((*child.Value)["first"],
            nlohmann::json::array({"process-hygiene: writes to standard output: \"first line\\n\"",
                                   "process-hygiene: writes to standard error: \"oops\""}));
  EXPECT_EQ((*child.Value)["again"], nlohmann::json::array());
}

TEST(Worker, ACleanCaseLeavesTheProcessAsItWas) {
  const nlohmann::json clean = InWorker(VEX_MODULE_PATH, {"start VexStrCreateInterimProdCmd"}, 0);
  EXPECT_EQ(clean["findings"], nlohmann::json::array());
  EXPECT_FALSE(clean["untrustworthy"].get<bool>());
}

TEST(Worker, ACaseThatChangesTheProcessIsToldAndWhatCanBeIsPutBack) {
  const nlohmann::json moved =
      InWorker(VEX_CHANGES_DIRECTORY_PATH, {"start VexExChangesWorkingDirectoryCmd", "press PlantedDialog/OK"}, 0);
  ASSERT_EQ(moved["findings"].size(), 1U);
  EXPECT_NE(moved["findings"][0].get<std::string>().find("process-hygiene: changes the working directory from "),
            std::string::npos);
  EXPECT_FALSE(moved["untrustworthy"].get<bool>()) << "the directory was put back";
  const nlohmann::json threaded =
      InWorker(VEX_LEAVES_THREAD_PATH, {"start VexExLeavesThreadRunningCmd", "press PlantedDialog/OK"}, 0);
  EXPECT_EQ(threaded["findings"], nlohmann::json::array({"process-hygiene: leaves a thread running"}));
  EXPECT_TRUE(threaded["untrustworthy"].get<bool>()) << "a thread cannot be taken back";
}

TEST(Worker, AWatchedCaseIsToldByTheCallsItMadeOnceForEachFault) {
  const nlohmann::json moved = InWorker(VEX_CHANGES_DIRECTORY_PATH,
                                        {"start VexExChangesWorkingDirectoryCmd", "press PlantedDialog/OK"}, 0, true);
  if (!moved["watched"].get<bool>()) GTEST_SKIP() << "the kernel offers no watch here";
  EXPECT_EQ(moved["findings"], nlohmann::json::array({"reach: changes the working directory to /tmp"}));
  EXPECT_FALSE(moved["untrustworthy"].get<bool>()) << "the directory was put back";
  const nlohmann::json threaded =
      InWorker(VEX_LEAVES_THREAD_PATH, {"start VexExLeavesThreadRunningCmd", "press PlantedDialog/OK"}, 0, true);
  EXPECT_EQ(threaded["findings"], nlohmann::json::array({"reach: starts a thread"}));
  EXPECT_TRUE(threaded["untrustworthy"].get<bool>()) << "a thread cannot be taken back";
  const nlohmann::json clean = InWorker(VEX_MODULE_PATH, {"start VexStrCreateInterimProdCmd"}, 0, true);
  EXPECT_EQ(clean["findings"], nlohmann::json::array()) << "the host's own calls are not the module's";
}

TEST(Probes, OutputAtUnloadIsToldOnceThoughTheProcessEndsWithTheSameWords) {
  const LoadReport report = ProbeLoading(VEX_WRITES_AT_UNLOAD_PATH, ShipSetup(), std::chrono::seconds(20));
  ASSERT_TRUE(report.Loaded);
  const LoadCheck* unload = Check(report, "clean unload");
  // Told by the probe's process as it ended, after the module's static objects were destroyed.
  const LoadCheck* atExit = Check(report, "nothing of its own reaches outside at exit");
  ASSERT_NE(unload, nullptr);
  ASSERT_NE(atExit, nullptr);
  // At unload, or (where the host keeps modules mapped, as sanitizer builds do) at exit: once.
  std::vector<std::string> told = Texts(unload->Findings);
  for (const auto& text : Texts(atExit->Findings)) told.push_back(text);
  const std::string written = "writes to standard output: \"planted: goodbye\\n\"";
  EXPECT_TRUE(told == std::vector<std::string>{"process-hygiene: at unload: " + written} ||
              told == std::vector<std::string>{"process-hygiene: at exit: " + written})
      << ::testing::PrintToString(told);
}

TEST(Worker, AStepSlowerThanAPersonWaitsIsAFindingThatNamesIt) {
  const std::vector<std::string> lines{"start VexExSlowStepCmd", "press PlantedDialog/OK"};
  EXPECT_EQ(
      InWorker(VEX_SLOW_STEP_PATH, lines, 100)["findings"],
      nlohmann::json::array({"slow: `press PlantedDialog/OK` took longer than 100 ms, longer than a person waits"}));
  EXPECT_EQ(InWorker(VEX_SLOW_STEP_PATH, lines, 0)["findings"], nlohmann::json::array()) << "not timed without a bound";
  EXPECT_EQ(InWorker(VEX_SLOW_STEP_PATH, lines, 5000)["findings"], nlohmann::json::array());
}

TEST(Worker, AMisuseTheHostRecordedIsAFindingOfItsOwnKind) {
  EXPECT_EQ(InWorker(VEX_TEXT_NOT_UTF8_PATH, {"start VexExTextNotUtf8Cmd"}, 0)["findings"],
            nlohmann::json::array({"host-misuse: SetTitle on 'PlantedDialog' (module->host): the text is not UTF-8"}));
}
