// The process baseline: each change a module could leave behind is seen and named, and undoing it
// makes the process clean again.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "drive/ProcessHygiene.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

void Ignore(int) {}
void AlsoIgnore(int) {}

TEST(ProcessHygiene, ANewBaselineFindsNothingChanged) {
  const vexdrive::ProcessBaseline baseline;
  EXPECT_TRUE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(), IsEmpty());
}

TEST(ProcessHygiene, TheWorkingDirectoryTheEnvironmentAndTheUmaskAreSeenAndNamed) {
  const vexdrive::ProcessBaseline baseline;
  char before[4096];
  ASSERT_NE(getcwd(before, sizeof before), nullptr);
  ASSERT_EQ(chdir("/"), 0);
  ASSERT_EQ(setenv("VEX_HYGIENE_PROBE", "1", 1), 0);
  const mode_t mask = umask(077);
  EXPECT_FALSE(baseline.Unchanged());
  const auto changes = baseline.Changes();
  ASSERT_EQ(changes.size(), 3U);
  EXPECT_EQ(changes[0], "changes the working directory from " + std::string(before) + " to /");
  EXPECT_EQ(changes[1], "changes the environment: sets VEX_HYGIENE_PROBE");
  EXPECT_THAT(changes[2], HasSubstr("changes the umask from 0"));
  EXPECT_THAT(changes[2], HasSubstr(" to 077"));
  ASSERT_EQ(chdir(before), 0);
  unsetenv("VEX_HYGIENE_PROBE");
  umask(mask);
  EXPECT_TRUE(baseline.Unchanged());
}

TEST(ProcessHygiene, AChangedVariableAndAnUnsetOneAreNamedWithoutTheirValues) {
  ASSERT_EQ(setenv("VEX_HYGIENE_A", "one", 1), 0);
  ASSERT_EQ(setenv("VEX_HYGIENE_B", "two", 1), 0);
  const vexdrive::ProcessBaseline baseline;
  setenv("VEX_HYGIENE_A", "secret", 1);
  unsetenv("VEX_HYGIENE_B");
  EXPECT_FALSE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(), ElementsAre("changes the environment: unsets VEX_HYGIENE_B; changes VEX_HYGIENE_A"));
  unsetenv("VEX_HYGIENE_A");
}

TEST(ProcessHygiene, ASignalHandlerSetOrReplacedIsSeen) {
  std::signal(SIGCHLD, Ignore);
  const vexdrive::ProcessBaseline baseline;
  std::signal(SIGPIPE, Ignore);
  EXPECT_FALSE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(), ElementsAre("changes the handler of SIGPIPE"));
  std::signal(SIGPIPE, SIG_DFL);
  EXPECT_TRUE(baseline.Unchanged());
  std::signal(SIGCHLD, AlsoIgnore);  // caught before and after: only the handler differs
  EXPECT_FALSE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(), ElementsAre("changes the handler of SIGCHLD"));
  std::signal(SIGCHLD, Ignore);
  // The quick check compares the handlers a library most often takes; the full one, every handler.
  std::signal(SIGUSR1, Ignore);
  EXPECT_THAT(baseline.Changes(), ElementsAre("changes the handler of SIGUSR1"));
  std::signal(SIGUSR1, SIG_DFL);
  std::signal(SIGCHLD, SIG_DFL);
}

TEST(ProcessHygiene, RestoringPutsBackWhatCanBePutBackAndSaysWhetherThatWasAll) {
  const vexdrive::ProcessBaseline baseline;
  ASSERT_EQ(chdir("/"), 0);
  ASSERT_EQ(setenv("VEX_HYGIENE_RESTORED", "1", 1), 0);
  const mode_t mask = umask(077);
  std::signal(SIGTERM, Ignore);
  const int left = open("/dev/null", O_RDONLY);
  ASSERT_GE(left, 0);
  EXPECT_TRUE(baseline.Restore());
  EXPECT_TRUE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(), IsEmpty());
  EXPECT_EQ(getenv("VEX_HYGIENE_RESTORED"), nullptr);
  EXPECT_EQ(fcntl(left, F_GETFD), -1) << "the descriptor left open was closed";
  umask(mask);

  std::atomic<bool> go{false};
  std::thread worker([&] {
    while (!go) std::this_thread::yield();
  });
  EXPECT_FALSE(baseline.Restore()) << "a thread cannot be taken back";
  go = true;
  worker.join();
}

TEST(ProcessHygiene, AThreadLeftRunningIsSeenUntilItEnds) {
  const vexdrive::ProcessBaseline baseline;
  std::atomic<bool> go{false};
  std::thread worker([&] {
    while (!go) std::this_thread::yield();
  });
  EXPECT_FALSE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(), ElementsAre("leaves a thread running"));
  go = true;
  worker.join();
  EXPECT_TRUE(baseline.Unchanged());
}

TEST(ProcessHygiene, ADescriptorLeftOpenOrClosedIsSeenAndNamed) {
  const int kept = open("/dev/null", O_RDONLY);
  ASSERT_GE(kept, 0);
  const vexdrive::ProcessBaseline baseline;
  const int left = open("/dev/zero", O_RDONLY);
  ASSERT_GE(left, 0);
  EXPECT_FALSE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(), ElementsAre("leaves descriptor " + std::to_string(left) + " (/dev/zero) open"));
  close(left);
  EXPECT_TRUE(baseline.Unchanged());
  close(kept);
  EXPECT_FALSE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(), ElementsAre("closes descriptor " + std::to_string(kept) + ", which it did not open"));
}

TEST(ProcessHygiene, WhatAModuleWroteIsQuotedPrintableAndShort) {
  EXPECT_EQ(vexdrive::OutputFinding("standard output", "hello\n"), "writes to standard output: \"hello\\n\"");
  EXPECT_EQ(vexdrive::OutputFinding("standard output", "hello\nhello\n"), "writes to standard output: \"hello\\n\"")
      << "the first line: one message however often it was written";
  const std::string finding = vexdrive::OutputFinding("standard error", std::string(1000, 'x'));
  EXPECT_LT(finding.size(), 200U);
  EXPECT_THAT(finding, HasSubstr("writes to standard error: \"xxx"));
}

}  // namespace
