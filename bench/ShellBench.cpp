// Benchmarks of the host shell on long runs and big documents (vexbench_shell):
//   - creations: vexhost runs a script of N creations (start the command, choose a class, OK),
//     spawned as a user runs it, for 1,000 and for 10,000 creations; target: 10,000 take at most
//     12 times as long as 1,000 (time in proportion to the length of the run).
//   - steps: the script runner (drive/) does one creation (start, class, part number, OK: four
//     steps, each reported as the shell reports it) on a document of 10 products and on one of
//     1,000,000; target: a step on the large document costs at most 1.2 times one on the small.
// Flags: --vexhost=PATH (default: the one this build made), --creations=N (default 10000; the
// short run is a tenth of it), --rounds=N (default 3), --steps=N (creations per round, default 200).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "drive/Desk.h"
#include "drive/Script.h"
#include "profiles/InterimProduct.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
  std::string Vexhost = VEXHOST_PATH;
  std::size_t Creations = 10000;
  int Rounds = 3;
  std::size_t Steps = 200;
};

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

double Median(std::vector<double> values) {
  auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

std::string CreationScript(std::size_t creations) {
  std::string script;
  for (std::size_t i = 0; i < creations; ++i) script += "start VexStrCreateInterimProdCmd\nclass Panel\nok\n";
  return script;
}

// Runs vexhost on the script file, its output thrown away; returns the seconds from the spawn to
// the exit.
double TimeShell(const std::string& vexhost, const std::string& script) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::vector<std::string> words{vexhost, "--script", script};
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t child = 0;
  if (posix_spawn(&child, vexhost.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("cannot start " + vexhost);
  }
  int status = 0;
  waitpid(child, &status, 0);
  const auto end = Clock::now();
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(vexhost + " failed on " + script);
  return Seconds(start, end);
}

void Creations(const Settings& settings) {
  const auto directory = std::filesystem::temp_directory_path() / ("vexbench_shell." + std::to_string(getpid()));
  std::filesystem::create_directories(directory);
  const std::size_t shortRun = settings.Creations / 10;
  std::vector<double> times[2];
  const std::size_t counts[2] = {shortRun, settings.Creations};
  for (int i = 0; i < 2; ++i) {
    const std::string path = (directory / ("creations-" + std::to_string(counts[i]) + ".vex")).string();
    std::ofstream(path) << CreationScript(counts[i]);
  }
  for (int round = 0; round < settings.Rounds; ++round) {
    for (int i = 0; i < 2; ++i) {
      const std::string path = (directory / ("creations-" + std::to_string(counts[i]) + ".vex")).string();
      times[i].push_back(TimeShell(settings.Vexhost, path));
    }
  }
  std::filesystem::remove_all(directory);
  const double ratio = Median(times[1]) / Median(times[0]);
  std::printf("creations by script (vexhost, median of %d runs)\n", settings.Rounds);
  std::printf("  %-44s %10.3f s\n", (std::to_string(counts[0]) + " creations").c_str(), Median(times[0]));
  std::printf("  %-44s %10.3f s\n", (std::to_string(counts[1]) + " creations").c_str(), Median(times[1]));
  std::printf("  %-44s %10.2f   target <= 12: %s\n", "ratio", ratio, ratio <= 12 ? "met" : "NOT met");
}

// The median time of one script step over `creations` creations on the open document, each made
// of four steps; the journal is cleared between creations, untimed, as a long run must.
double StepMicroseconds(vexbench::Host& host, std::size_t creations) {
  std::ostream nowhere(nullptr);
  vexdrive::Desk desk(host.Session());
  vexdrive::Script script(desk, nowhere, nowhere, false, &vexprofiles::InterimProductProfile());
  std::vector<double> times;
  for (std::size_t i = 0; i < creations; ++i) {
    std::istringstream lines("start VexStrCreateInterimProdCmd\nclass Panel\npartnumber A-" + std::to_string(i) +
                             "\nok\n");
    const auto start = Clock::now();
    script.Run(lines, "bench");
    times.push_back(Seconds(start, Clock::now()) / 4 * 1e6);
    host.Session().GetJournal().Clear();
  }
  if (script.Stopped() || desk.Running()) throw std::runtime_error("the creation script did not run through");
  return Median(times);
}

void Steps(const Settings& settings) {
  vexbench::LoadModule();
  vexbench::Host host;
  const vexhost::DocumentData small = vexbench::SizedDocument(10, 10);
  const vexhost::DocumentData large = vexbench::SizedDocument(1000000, 10);
  double best[2] = {1e300, 1e300};
  std::vector<double> all[2];
  for (int round = 0; round < settings.Rounds; ++round) {
    for (int i = 0; i < 2; ++i) {
      host.Reopen(i == 0 ? small : large);
      const double median = StepMicroseconds(host, settings.Steps);
      best[i] = std::min(best[i], median);
      all[i].push_back(median);
    }
  }
  const double ratio = best[1] / best[0];
  std::printf("one script step, depth 10 (best of %d rounds of %zu creations, four steps each)\n", settings.Rounds,
              settings.Steps);
  std::printf("  %-44s %10.2f us (median of rounds %.2f)\n", "10 products", best[0], Median(all[0]));
  std::printf("  %-44s %10.2f us (median of rounds %.2f)\n", "1,000,000 products", best[1], Median(all[1]));
  std::printf("  %-44s %10.3f   target <= 1.2: %s\n", "ratio", ratio, ratio <= 1.2 ? "met" : "NOT met");
}

Settings Parse(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto value = [&](const char* flag) {
      const std::string prefix = std::string(flag) + "=";
      return argument.rfind(prefix, 0) == 0 ? argument.substr(prefix.size()) : std::string();
    };
    if (!value("--vexhost").empty()) {
      settings.Vexhost = value("--vexhost");
    } else if (!value("--creations").empty()) {
      settings.Creations = std::stoul(value("--creations"));
    } else if (!value("--rounds").empty()) {
      settings.Rounds = std::stoi(value("--rounds"));
    } else if (!value("--steps").empty()) {
      settings.Steps = std::stoul(value("--steps"));
    } else {
      throw std::invalid_argument("unknown argument " + argument +
                                  " (expected --vexhost=PATH, --creations=N, --rounds=N, --steps=N)");
    }
  }
  if (settings.Creations < 10 || settings.Rounds < 1 || settings.Steps < 1)
    throw std::invalid_argument("counts must be positive");
  return settings;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Settings settings = Parse(argc, argv);
    Steps(settings);
    Creations(settings);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vexbench_shell: %s\n", error.what());
    return 1;
  }
  return 0;
}
