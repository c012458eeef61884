// The watch at the system boundary sees each way out of the host, whatever library makes the call,
// names what it touched, and lets the call happen; and the runtimes' settings that no call shows
// are seen by the before-and-after comparison and put back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfenv>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <thread>

#include "drive/ProcessHygiene.h"
#include "drive/SystemWatch.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class SystemWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    _Watch = vexdrive::SystemWatch::OfProcess();
    if (_Watch == nullptr) GTEST_SKIP() << "the kernel offers no watch here";
    _Watch->Take();
    char pattern[] = "/tmp/vex-watch-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    _Directory = pattern;
  }
  void TearDown() override {
    if (!_Directory.empty()) std::filesystem::remove_all(_Directory);
  }
  vexdrive::SystemWatch* _Watch = nullptr;
  std::string _Directory;
};

TEST_F(SystemWatchTest, FilesWrittenRenamedAndRemovedAreNamedAndStillHappen) {
  const std::string file = _Directory + "/notes.txt";
  const std::string moved = _Directory + "/moved.txt";
  {
    const vexdrive::OpenWatch watching(_Watch);
    std::ofstream(file) << "x";
    std::ofstream(file, std::ios::app) << "y";
    std::rename(file.c_str(), moved.c_str());
    std::filesystem::create_directory(_Directory + "/cache");
    std::ifstream(moved).get();  // read only: not a reach the watch holds
  }
  EXPECT_THAT(_Watch->Take(),
              ElementsAre("creates " + file, "opens " + file + " for writing", "renames " + file + " to " + moved,
                          "makes the directory " + _Directory + "/cache"));
  EXPECT_TRUE(std::filesystem::exists(moved));
  {
    const vexdrive::OpenWatch watching(_Watch);
    std::remove(moved.c_str());
    ::rmdir((_Directory + "/cache").c_str());
  }
  EXPECT_THAT(_Watch->Take(), ElementsAre("removes " + moved, "removes the directory " + _Directory + "/cache"));
  EXPECT_FALSE(std::filesystem::exists(moved));
}

TEST_F(SystemWatchTest, ThreadsProcessesSocketsAndSignalsAreSeenJoinedOrNot) {
  {
    const vexdrive::OpenWatch watching(_Watch);
    std::thread([] {}).join();
    EXPECT_EQ(std::async(std::launch::async, [] { return 7; }).get(), 7);
    EXPECT_EQ(std::system("exit 3"), 3 << 8);  // the process ran, and its status came back
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0) ::close(fd);
    const auto old = std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGPIPE, old);
  }
  const auto seen = _Watch->Take();
  EXPECT_THAT(seen, Contains("starts a thread"));
  EXPECT_THAT(seen, Contains("starts a process"));
  EXPECT_THAT(seen, Contains("opens a socket"));
  EXPECT_THAT(seen, Contains("sets SIGPIPE to be ignored"));
  // A thread is one text however many: what the watch notes is what kind of reach it was.
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "starts a thread"), 1);
}

TEST_F(SystemWatchTest, NothingIsNotedWhileTheWatchIsClosed) {
  std::ofstream(_Directory + "/closed.txt") << "x";
  std::thread([] {}).join();
  EXPECT_THAT(_Watch->Take(), IsEmpty());
}

TEST(NotSeenByWatch, AChangeACallAlreadyNamedIsOneFault) {
  const std::vector<std::string> changes{"changes the handler of SIGPIPE", "changes the umask from 022 to 077",
                                         "leaves descriptor 5 (/tmp/x) open"};
  EXPECT_THAT(vexdrive::NotSeenByWatch(changes, {"sets SIGPIPE to be ignored", "creates /tmp/x"}),
              ElementsAre("changes the umask from 022 to 077", "leaves descriptor 5 (/tmp/x) open"));
  EXPECT_EQ(vexdrive::NotSeenByWatch(changes, {}), changes);
}

TEST(RuntimeSettings, LocalesRoundingAndStreamsAreSeenNamedAndPutBack) {
  const vexdrive::ProcessBaseline baseline;
  std::setlocale(LC_NUMERIC, "C.UTF-8");
  std::fesetround(FE_UPWARD);
  std::cout.precision(12);
  std::wcerr.setf(std::ios::hex, std::ios::basefield);
  EXPECT_FALSE(baseline.Unchanged());
  EXPECT_THAT(baseline.Changes(),
              ElementsAre("changes the C locale of LC_NUMERIC from C to C.UTF-8",
                          "changes the floating-point rounding from to nearest to upward",
                          "changes std::cout: its precision from 6 to 12", "changes std::wcerr: its formatting flags"));
  EXPECT_TRUE(baseline.Restore());
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  EXPECT_EQ(std::cout.precision(), 6);
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

TEST(RuntimeSettings, TheGlobalLocaleSetIsOneChangeThoughItSetsTheCLocaleToo) {
  const vexdrive::ProcessBaseline baseline;
  std::locale::global(std::locale("C.UTF-8"));
  EXPECT_THAT(baseline.Changes(), ElementsAre("changes the global C++ locale from C to C.UTF-8"));
  EXPECT_TRUE(baseline.Restore());
  EXPECT_EQ(std::locale().name(), "C");
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
}

TEST(LeftInPlace, ADispositionPutBackBeforeTheComparisonIsNoFinding) {
  const std::vector<std::string> seen{"sets SIGINT to be ignored", "sets SIGPIPE to be ignored", "starts a process"};
  EXPECT_THAT(vexdrive::LeftInPlace(seen, {"changes the handler of SIGCHLD, SIGPIPE"}),
              ElementsAre("sets SIGPIPE to be ignored", "starts a process"));
  EXPECT_THAT(vexdrive::LeftInPlace(seen, {}), ElementsAre("starts a process"));
}

}  // namespace
