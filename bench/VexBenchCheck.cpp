// The short memory pass of the benchmarks, for the test run: lifecycles of the module's command,
// a mark, more lifecycles, a second mark. Fails only when host objects are left alive or the
// resident memory grows between the marks; it never looks at a time.
//
//   vexbench_check [--first N] [--then M] [--command NAME]
//
// Defaults: 1000, 20000 and the module's command; NAME may also be the host-only baseline,
// BaselineInterimProdCmd, to tell the host's memory from the module's.
//
// Exit status: 0 clean, 1 live host objects or memory growth, 2 the lifecycle could not run.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "BenchSupport.h"

#if defined(__SANITIZE_ADDRESS__)
#define VEXBENCH_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXBENCH_ASAN 1
#endif
#endif

namespace {

constexpr long AllowedGrowthKiB = 64;

struct Mark {
  std::size_t Lifecycles = 0;
  std::size_t Live = 0;
  long ResidentKiB = 0;
};

Mark Take(vexbench::Host& host, std::size_t lifecycles) {
  return Mark{lifecycles, host.LiveObjects(), vexbench::ResidentKiB()};
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t first = 1000;
  std::size_t then = 20000;
  std::string command = vexbench::ModuleCommand;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--first") == 0 && hasValue) {
      first = std::stoul(argv[++i]);
    } else if (std::strcmp(argv[i], "--then") == 0 && hasValue) {
      then = std::stoul(argv[++i]);
    } else if (std::strcmp(argv[i], "--command") == 0 && hasValue) {
      command = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--first N] [--then M] [--command NAME]\n", argv[0]);
      return 2;
    }
  }

  try {
    vexbench::LoadModule();
    vexbench::Host host;
    const vexhost::DocumentData ship = vexbench::ShipDocument();
    const auto start = std::chrono::steady_clock::now();
    vexbench::RunLifecycles(host, command, ship, first);
    const Mark atFirst = Take(host, first);
    vexbench::RunLifecycles(host, command, ship, then);
    const Mark atLast = Take(host, first + then);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const long growth = atLast.ResidentKiB - atFirst.ResidentKiB;
    std::printf("%s: %zu lifecycles then %zu more, %.1f s\n", command.c_str(), first, then, seconds);
    std::printf("live host objects: %zu after %zu, %zu after %zu\n", atFirst.Live, atFirst.Lifecycles, atLast.Live,
                atLast.Lifecycles);
    std::printf("resident memory: %ld KiB after %zu, %ld KiB after %zu (%+ld KiB; at most %+ld allowed)\n",
                atFirst.ResidentKiB, atFirst.Lifecycles, atLast.ResidentKiB, atLast.Lifecycles, growth,
                AllowedGrowthKiB);

    bool failed = false;
    if (atFirst.Live != 0 || atLast.Live != 0) {
      std::printf("FAILED: host objects are left alive after the command ended:\n%s", host.AccountingText().c_str());
      failed = true;
    }
#ifdef VEXBENCH_ASAN
    // AddressSanitizer keeps freed memory in quarantine, so resident memory grows by design;
    // LeakSanitizer watches leaks in this build.
    std::printf("resident memory not judged under AddressSanitizer\n");
#else
    if (growth > AllowedGrowthKiB) {
      std::printf("FAILED: resident memory grew by %ld KiB across %zu lifecycles\n", growth, then);
      failed = true;
    }
#endif
    if (!failed) std::printf("clean\n");
    return failed ? 1 : 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vexbench_check: the lifecycle could not run: %s\n", error.what());
    return 2;
  }
}
