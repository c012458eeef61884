// The benchmarks of the stand-in host with the module loaded: a whole command lifecycle beside
// the host-only baseline, activation against document size and active-path depth, memory across
// many lifecycles, and loading. A summary of medians and ratios follows the usual report.
//
// Flags of its own (the rest are Google Benchmark's):
//   --lifecycles=N   lifecycles of the memory benchmark (default 100000; its first mark is at 1000)
//   --shell=PATH     also time the host shell from its start to its first drawn panel
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "vex/Dictionary.h"

namespace {

using Clock = std::chrono::steady_clock;
using vexbench::Host;

std::size_t MemoryLifecycles = 100000;
std::string ShellPath;
constexpr std::size_t MemoryFirstMark = 1000;
constexpr int DefaultRepetitions = 5;

// One session serves every benchmark (one may exist at a time); a large document stays open
// between the repetitions that use it.
std::unique_ptr<Host> TheHost;
std::map<std::string, double> OpenSeconds;  // how long opening each document took
Host& GetHost() {
  if (!TheHost) TheHost = std::make_unique<Host>();
  return *TheHost;
}

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// Per-iteration times: their median is reported beside Google Benchmark's mean, which takes in
// every preemption of this shared machine.
class Samples {
 public:
  explicit Samples(benchmark::State& state) { _Seconds.reserve(static_cast<std::size_t>(state.max_iterations)); }
  void Add(double seconds) { _Seconds.push_back(seconds); }
  double MedianMicroseconds() {
    if (_Seconds.empty()) return 0;
    auto middle = _Seconds.begin() + static_cast<std::ptrdiff_t>(_Seconds.size() / 2);
    std::nth_element(_Seconds.begin(), middle, _Seconds.end());
    return *middle * 1e6;
  }

 private:
  std::vector<double> _Seconds;
};

template <class Body>
void Guarded(benchmark::State& state, Body&& body) {
  try {
    body();
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

// --- Lifecycle ------------------------------------------------------------------------------

void Lifecycle(benchmark::State& state, const char* command) {
  Guarded(state, [&] {
    Host& host = GetHost();
    const vexhost::DocumentData ship = vexbench::ShipDocument();
    const std::string outcome = vexbench::CheckLifecycleOutcome(host, command);
    if (!outcome.empty()) throw std::runtime_error(outcome);
    Samples samples(state);
    std::size_t calls = 0;
    for (auto _ : state) {
      // Not timed: a fresh ship (each lifecycle adds a product) and an empty journal.
      host.Reopen(ship);
      host.Session().GetJournal().Clear();
      const auto start = Clock::now();
      host.Lifecycle(command);
      const auto end = Clock::now();
      calls = host.Session().GetJournal().Size();
      state.SetIterationTime(Seconds(start, end));
      samples.Add(Seconds(start, end));
    }
    host.Session().GetJournal().Clear();
    state.counters["median_us"] = samples.MedianMicroseconds();
    state.counters["journal_entries"] = static_cast<double>(calls);
    state.counters["live_objects"] = static_cast<double>(host.LiveObjects());
  });
}

// The module's lifecycle and the baseline's in turn, the first of the pair alternating, so that
// both meet the same machine: the ratio of their medians is the one the summary reports.
void PairedLifecycle(benchmark::State& state) {
  Guarded(state, [&] {
    Host& host = GetHost();
    const vexhost::DocumentData ship = vexbench::ShipDocument();
    Samples module(state);
    Samples baseline(state);
    bool moduleFirst = true;
    for (auto _ : state) {
      double total = 0;
      for (int turn = 0; turn < 2; ++turn) {
        const bool isModule = (turn == 0) == moduleFirst;
        host.Reopen(ship);
        host.Session().GetJournal().Clear();
        const auto start = Clock::now();
        host.Lifecycle(isModule ? vexbench::ModuleCommand : vexbench::BaselineCommand);
        const double seconds = Seconds(start, Clock::now());
        (isModule ? module : baseline).Add(seconds);
        total += seconds;
      }
      moduleFirst = !moduleFirst;
      state.SetIterationTime(total);
    }
    host.Session().GetJournal().Clear();
    const double moduleMedian = module.MedianMicroseconds();
    const double baselineMedian = baseline.MedianMicroseconds();
    state.counters["module_us"] = moduleMedian;
    state.counters["baseline_us"] = baselineMedian;
    state.counters["own_cost"] = baselineMedian > 0 ? (moduleMedian - baselineMedian) / baselineMedian : 0;
  });
}

// --- Activation -----------------------------------------------------------------------------

void Activation(benchmark::State& state, std::size_t products, std::size_t depth) {
  Guarded(state, [&] {
    Host& host = GetHost();
    const std::string key = std::to_string(products) + "/" + std::to_string(depth);
    if (!host.IsOpen(key)) {
      const vexhost::DocumentData document = vexbench::SizedDocument(products, depth);
      const auto start = Clock::now();
      host.Open(key, document);
      OpenSeconds[key] = Seconds(start, Clock::now());
    }
    Samples samples(state);
    std::size_t calls = 0;
    for (auto _ : state) {
      host.Session().GetJournal().Clear();
      const auto start = Clock::now();
      host.Start(vexbench::ModuleCommand);  // create, BuildGraph, Activate
      const auto end = Clock::now();
      calls = host.Session().GetJournal().Size();
      host.Cancel();  // not timed: cancel, destruction, delayed destructions
      state.SetIterationTime(Seconds(start, end));
      samples.Add(Seconds(start, end));
    }
    state.counters["median_us"] = samples.MedianMicroseconds();
    host.Session().GetJournal().Clear();
    state.counters["products"] = static_cast<double>(products);
    state.counters["depth"] = static_cast<double>(depth);
    state.counters["journal_entries"] = static_cast<double>(calls);
    state.counters["open_ms"] = OpenSeconds[key] * 1e3;
  });
}

// The documents of both series in turn, a short block of activations each, over many rounds.
// On this shared machine whole seconds run at half speed when a neighbour is busy, whatever the
// document, so a ratio between documents measured one after the other says more about the
// neighbour than about the documents. Each document's figure is its best block's median (the
// machine undisturbed); the median of all its activations is kept beside it.
struct RotatedDocument {
  const char* Counter;
  std::size_t Products;
  std::size_t Depth;
};
constexpr RotatedDocument Rotation[] = {
    {"depth1", 1000, 1}, {"depth10", 1000, 10},    {"depth100", 1000, 100},
    {"size10", 10, 10},  {"size100k", 100000, 10}, {"size1m", 1000000, 10},
};
constexpr int RotationRounds = 12;
constexpr int RotationBlock = 400;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

void RotatedActivation(benchmark::State& state) {
  Guarded(state, [&] {
    Host& host = GetHost();
    std::vector<vexhost::DocumentData> documents;
    for (const auto& document : Rotation) {
      documents.push_back(vexbench::SizedDocument(document.Products, document.Depth));
    }
    std::vector<std::vector<double>> all(documents.size());
    std::vector<double> best(documents.size(), 1e9);
    for (auto _ : state) {
      for (int round = 0; round < RotationRounds; ++round) {
        for (std::size_t d = 0; d < documents.size(); ++d) {
          host.Reopen(documents[d]);
          std::vector<double> block;
          block.reserve(RotationBlock);
          for (int i = 0; i < RotationBlock; ++i) {
            host.Session().GetJournal().Clear();
            const auto start = Clock::now();
            host.Start(vexbench::ModuleCommand);
            const auto end = Clock::now();
            host.Cancel();
            block.push_back(Seconds(start, end) * 1e6);
          }
          best[d] = std::min(best[d], Median(block));
          all[d].insert(all[d].end(), block.begin(), block.end());
        }
      }
    }
    host.Session().GetJournal().Clear();
    host.Reopen(vexbench::ShipDocument());  // the large documents go
    for (std::size_t d = 0; d < documents.size(); ++d) {
      state.counters[std::string(Rotation[d].Counter) + "_us"] = best[d];
      state.counters[std::string(Rotation[d].Counter) + "_all_us"] = Median(all[d]);
    }
  });
}

// --- Memory ---------------------------------------------------------------------------------

void Memory(benchmark::State& state) {
  Guarded(state, [&] {
    Host& host = GetHost();
    const vexhost::DocumentData ship = vexbench::ShipDocument();
    const std::size_t first = std::min(MemoryFirstMark, MemoryLifecycles);
    for (auto _ : state) {
      const long before = vexbench::ResidentKiB();
      vexbench::RunLifecycles(host, vexbench::ModuleCommand, ship, first);
      const std::size_t liveFirst = host.LiveObjects();
      const long atFirst = vexbench::ResidentKiB();
      vexbench::RunLifecycles(host, vexbench::ModuleCommand, ship, MemoryLifecycles - first);
      const std::size_t liveLast = host.LiveObjects();
      const long atLast = vexbench::ResidentKiB();
      state.counters["lifecycles"] = static_cast<double>(MemoryLifecycles);
      state.counters["rss_before_kib"] = static_cast<double>(before);
      state.counters["rss_first_kib"] = static_cast<double>(atFirst);
      state.counters["rss_last_kib"] = static_cast<double>(atLast);
      state.counters["rss_growth_kib"] = static_cast<double>(atLast - atFirst);
      state.counters["live_first"] = static_cast<double>(liveFirst);
      state.counters["live_last"] = static_cast<double>(liveLast);
    }
  });
}

// --- Loading --------------------------------------------------------------------------------

VexBaseUnknown* NoCommand() { return nullptr; }

void Loading(benchmark::State& state, bool timeLoad) {
  Guarded(state, [&] {
    GetHost();  // a session is open, as in the host
    vexhost::Session::UnloadModule(vexbench::ModulePath());
    Samples samples(state);
    for (auto _ : state) {
      const auto start = Clock::now();
      vexhost::Session::LoadModule(vexbench::ModulePath());  // dlopen, its static initialisation: registration
      const auto loaded = Clock::now();
      vexhost::Session::UnloadModule(vexbench::ModulePath());  // dlclose, dictionary entries dropped
      const auto unloaded = Clock::now();
      const double seconds = timeLoad ? Seconds(start, loaded) : Seconds(loaded, unloaded);
      state.SetIterationTime(seconds);
      samples.Add(seconds);
    }
    state.counters["median_us"] = samples.MedianMicroseconds();
    const auto& record = vexhost::Session::LoadModule(vexbench::ModulePath());
    state.counters["registered"] = static_cast<double>(record.Registered.size());
  });
}

void Registration(benchmark::State& state) {
  for (auto _ : state) {
    const VexFillDictionary entry("BenchRegistrationProbe", &NoCommand);
    benchmark::DoNotOptimize(&entry);
  }
}

// --- The shell -----------------------------------------------------------------------------

// The shell started on a script that starts the command, draws the open dialogs and quits: from
// the spawn to the exit, so the measure also takes in the shell's closing.
void Shell(benchmark::State& state) {
  Guarded(state, [&] {
    char scriptPath[] = "/tmp/vexbench-shell-XXXXXX";
    const int script = mkstemp(scriptPath);
    if (script < 0) throw std::runtime_error("cannot write the shell's script");
    const std::string lines = std::string("start ") + vexbench::ModuleCommand + "\nshow\nquit\n";
    const bool written = write(script, lines.data(), lines.size()) == static_cast<ssize_t>(lines.size());
    close(script);
    if (!written) throw std::runtime_error("cannot write the shell's script");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::string program = ShellPath;
    std::string option = "--script";
    char* arguments[] = {program.data(), option.data(), scriptPath, nullptr};
    Samples samples(state);
    std::string problem;
    for (auto _ : state) {
      const auto start = Clock::now();
      pid_t child = 0;
      int status = 0;
      if (posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environ) != 0 ||
          waitpid(child, &status, 0) != child) {
        problem = "cannot run " + ShellPath;
      } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        problem = ShellPath + " did not end cleanly on its script";
      }
      const double seconds = Seconds(start, Clock::now());
      state.SetIterationTime(seconds);
      samples.Add(seconds);
      if (!problem.empty()) break;
    }
    posix_spawn_file_actions_destroy(&actions);
    unlink(scriptPath);
    if (!problem.empty()) throw std::runtime_error(problem);
    state.counters["median_us"] = samples.MedianMicroseconds();
  });
}

// --- Summary --------------------------------------------------------------------------------

struct Figure {
  double Microseconds = 0;
  std::map<std::string, double> Counters;
};

// Keeps the median of each benchmark (or its only run) and prints the ratios at the end.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (run.error_occurred || (!median && !single)) continue;
      Figure figure;
      figure.Microseconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
      for (const auto& [name, counter] : run.counters) figure.Counters[name] = counter.value;
      // The median of the iterations, where the benchmark kept them, rather than their mean.
      if (figure.Counters.count("median_us") != 0) figure.Microseconds = figure.Counters.at("median_us");
      _Figures[run.run_name.function_name] = figure;
      _Repetitions = std::max<long>(_Repetitions, run.repetitions);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nSummary (medians of %ld repetitions; times in microseconds)\n", _Repetitions);
    const Figure* module = Find("Lifecycle/module");
    const Figure* baseline = Find("Lifecycle/baseline");
    if (module != nullptr && baseline != nullptr) {
      Line("lifecycle with the module (alone)", module->Microseconds);
      Line("lifecycle, host-only baseline (alone)", baseline->Microseconds);
      std::printf("  %-52s %10.0f / %.0f\n", "journal entries per lifecycle, module / baseline",
                  module->Counters.at("journal_entries"), baseline->Counters.at("journal_entries"));
    }
    if (const Figure* paired = Find("Lifecycle/paired")) {
      const double own = paired->Counters.at("own_cost");
      Line("lifecycle with the module (in turn with baseline)", paired->Counters.at("module_us"));
      Line("lifecycle, host-only baseline (in turn)", paired->Counters.at("baseline_us"));
      std::printf("  %-52s %10.3f  (target <= 0.100: %s)\n", "module's own cost / host's work", own,
                  own <= 0.10 ? "met" : "MISSED");
    }
    for (const char* depth : {"1", "10", "100"}) {
      const std::string name = std::string("Activation/products:1000/depth:") + depth;
      if (const Figure* figure = Find(name)) {
        Line("activation, 1,000 products, depth " + std::string(depth) + " (alone)", figure->Microseconds);
      }
    }
    for (const char* size : {"10", "100000", "1000000"}) {
      const std::string name = std::string("Activation/products:") + size + "/depth:10";
      if (const Figure* figure = Find(name)) {
        std::printf("  %-52s %10.2f  (opening the document: %.0f ms)\n",
                    ("activation, " + std::string(size) + " products, depth 10 (alone)").c_str(), figure->Microseconds,
                    figure->Counters.count("open_ms") != 0 ? figure->Counters.at("open_ms") : 0.0);
      }
    }
    if (const Figure* rotated = Find("Activation/rotated")) {
      const auto& c = rotated->Counters;
      std::printf("  activation, the documents in turn (%d rounds of %d): best block / all activations\n",
                  RotationRounds, RotationBlock);
      for (const auto& document : Rotation) {
        const std::string what =
            "  " + std::to_string(document.Products) + " products, depth " + std::to_string(document.Depth);
        std::printf("  %-52s %10.2f / %.2f\n", what.c_str(), c.at(std::string(document.Counter) + "_us"),
                    c.at(std::string(document.Counter) + "_all_us"));
      }
      std::printf("  %-52s %10.3f / %.3f\n", "activation depth 100 / depth 1", c.at("depth100_us") / c.at("depth1_us"),
                  c.at("depth100_all_us") / c.at("depth1_all_us"));
      const double ratio = c.at("size1m_us") / c.at("size10_us");
      std::printf("  %-52s %10.3f / %.3f  (target <= 1.100: %s)\n", "activation 1,000,000 products / 10 products",
                  ratio, c.at("size1m_all_us") / c.at("size10_all_us"), ratio <= 1.10 ? "met" : "MISSED");
    }
    if (const Figure* memory = Find("Memory/module")) {
      auto& c = memory->Counters;
      std::printf("  %-52s %10.0f / %.0f\n", "live host objects after 1,000 / all lifecycles", c.at("live_first"),
                  c.at("live_last"));
      std::printf("  %-52s %10.0f KiB -> %.0f KiB -> %.0f KiB\n", "resident memory: before, after 1,000, after all",
                  c.at("rss_before_kib"), c.at("rss_first_kib"), c.at("rss_last_kib"));
      const double growth = c.at("rss_growth_kib");
      const bool met = growth <= 64 && c.at("live_last") == 0 && c.at("live_first") == 0;
      const std::string what =
          "growth from 1,000 to " + std::to_string(static_cast<long>(c.at("lifecycles"))) + " lifecycles";
      std::printf("  %-52s %+10.0f KiB  (target <= 64 KiB with no live object: %s)\n", what.c_str(), growth,
                  met ? "met" : "MISSED");
    }
    if (const Figure* load = Find("Loading/dlopen")) Line("dlopen with registration", load->Microseconds);
    if (const Figure* registration = Find("Loading/registration")) {
      Line("registration alone (dictionary entry)", registration->Microseconds);
    }
    if (const Figure* unload = Find("Loading/dlclose")) {
      Line("dlclose with the dictionary entries", unload->Microseconds);
    }
    if (const Figure* shell = Find("Shell/start-show-quit")) {
      const double ms = shell->Microseconds / 1e3;
      std::printf("  %-52s %10.2f ms  (target <= 20 ms: %s)\n", "shell: start, first drawn panel, quit", ms,
                  ms <= 20 ? "met" : "MISSED");
    } else {
      std::printf("  %-52s %10s\n", "shell: start, first drawn panel, quit", "not measured (no --shell)");
    }
    std::fflush(stdout);
  }

 private:
  const Figure* Find(const std::string& name) const {
    auto found = _Figures.find(name);
    return found == _Figures.end() ? nullptr : &found->second;
  }
  static void Line(const std::string& what, double microseconds) {
    std::printf("  %-52s %10.2f\n", what.c_str(), microseconds);
  }
  std::map<std::string, Figure> _Figures;
  long _Repetitions = 1;
};

std::string CpuModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) {
      const auto colon = line.find(':');
      if (colon != std::string::npos) return line.substr(colon + 2);
    }
  }
  return "unknown";
}

void Register() {
  using benchmark::kMicrosecond;
  if (!ShellPath.empty()) {
    benchmark::RegisterBenchmark("Shell/start-show-quit", Shell)->UseManualTime()->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("Loading/dlopen", Loading, true)->UseManualTime()->Unit(kMicrosecond);
  benchmark::RegisterBenchmark("Loading/registration", Registration)->Unit(kMicrosecond);
  benchmark::RegisterBenchmark("Loading/dlclose", Loading, false)->UseManualTime()->Unit(kMicrosecond);
  benchmark::RegisterBenchmark("Lifecycle/module", Lifecycle, vexbench::ModuleCommand)
      ->UseManualTime()
      ->Unit(kMicrosecond);
  benchmark::RegisterBenchmark("Lifecycle/baseline", Lifecycle, vexbench::BaselineCommand)
      ->UseManualTime()
      ->Unit(kMicrosecond);
  benchmark::RegisterBenchmark("Lifecycle/paired", PairedLifecycle)->UseManualTime()->Unit(kMicrosecond);
  // Before the large documents, so that their freed memory cannot hide a growth.
  benchmark::RegisterBenchmark("Memory/module", Memory)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);
  for (std::size_t depth : {1, 10, 100}) {
    const std::string name = "Activation/products:1000/depth:" + std::to_string(depth);
    benchmark::RegisterBenchmark(name.c_str(), Activation, std::size_t{1000}, depth)
        ->UseManualTime()
        ->Unit(kMicrosecond);
  }
  benchmark::RegisterBenchmark("Activation/rotated", RotatedActivation)
      ->Iterations(1)
      ->Repetitions(1)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  // 1,000 products at depth 10 is measured with the depths above.
  for (std::size_t products : {10, 100000, 1000000}) {
    const std::string name = "Activation/products:" + std::to_string(products) + "/depth:10";
    benchmark::RegisterBenchmark(name.c_str(), Activation, products, std::size_t{10})
        ->UseManualTime()
        ->Unit(kMicrosecond);
  }
}

bool HasFlag(const std::vector<char*>& args, const char* prefix) {
  return std::any_of(args.begin(), args.end(),
                     [&](const char* arg) { return std::strncmp(arg, prefix, std::strlen(prefix)) == 0; });
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--lifecycles=", 13) == 0) {
      MemoryLifecycles = std::stoul(argv[i] + 13);
      continue;
    }
    if (std::strncmp(argv[i], "--shell=", 8) == 0) {
      ShellPath = argv[i] + 8;
      continue;
    }
    args.push_back(argv[i]);
  }
  static std::string repetitions = "--benchmark_repetitions=" + std::to_string(DefaultRepetitions);
  static std::string aggregates = "--benchmark_display_aggregates_only=true";
  if (!HasFlag(args, "--benchmark_repetitions")) args.push_back(repetitions.data());
  if (!HasFlag(args, "--benchmark_display_aggregates_only")) args.push_back(aggregates.data());
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);

  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  vexbench::LoadModule();
  benchmark::AddCustomContext("cpu_model", CpuModel());
  benchmark::AddCustomContext("compiler", __VERSION__);
#ifdef NDEBUG
  benchmark::AddCustomContext("assertions", "off");
#endif
  Register();
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  TheHost.reset();
  return 0;
}
