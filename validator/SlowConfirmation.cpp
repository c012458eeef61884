#include "SlowConfirmation.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "validator/case/Rules.h"
#include "validator/findings/Report.h"

namespace vexvalidator {

namespace {

enum class Replayed { Slow, NotSlow, Unknown };

// The replay's arguments: those of the command the report prints, without --check, so that exit
// code 1 means only that its last line, the expectation on the steps' time, failed.
std::vector<std::string> Arguments(const Outcome& outcome, const std::string& host, const std::string& script) {
  std::vector<std::string> args{host, "--module", outcome.Module};
  if (!outcome.Document.empty()) args.insert(args.end(), {"--document", outcome.Document});
  if (!outcome.Resources.empty()) args.insert(args.end(), {"--resources", outcome.Resources});
  args.insert(args.end(), {"--script", script});
  return args;
}

Replayed Run(const std::vector<std::string>& args, int limitMs) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return Replayed::Unknown;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return Replayed::Unknown;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!WIFEXITED(status)) return Replayed::Unknown;
  if (WEXITSTATUS(status) == 0) return Replayed::NotSlow;
  return WEXITSTATUS(status) == 1 ? Replayed::Slow : Replayed::Unknown;
}

void Drop(Outcome& outcome, const FindingGroup& group) {
  const Finding what = group.What;
  for (auto& test : outcome.Tests) std::erase(test.Failures, what);
  std::erase_if(outcome.Findings, [&](const FindingGroup& found) { return found.What == what; });
}

}  // namespace

void ConfirmSlowByReplay(Outcome& outcome, const std::string& host, int limitMs) {
  std::vector<FindingGroup> slow;
  for (const auto& group : outcome.Findings) {
    if (group.What.Kind == kind::Slow) slow.push_back(group);
  }
  if (slow.empty()) return;
  char pattern[] = "/tmp/vexhost-replay-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return;
  const std::filesystem::path directory(pattern);
  for (const auto& group : slow) {
    const std::string script = (directory / "slow.vex").string();
    std::ofstream(script) << ReplayScript(outcome, group, script);
    if (Run(Arguments(outcome, host, script), limitMs) != Replayed::NotSlow) continue;
    outcome.Notes.push_back("not slow in its own replay, so no finding: " + group.What.Message);
    Drop(outcome, group);
  }
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
}

}  // namespace vexvalidator
