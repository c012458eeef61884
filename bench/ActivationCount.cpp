// Activations to count instructions of, under callgrind: a document of a given size is opened,
// the command is started a few times to warm up, then started `--activations` times, each start
// (creation through the dictionary, BuildGraph, Activate) inside MeasuredActivation. scripts/bench
// runs it with --toggle-collect on that function for documents of 10 and 1,000,000 products.
//
//   vexbench_activation [--products N] [--depth D] [--activations K]
//
// Exit status: 0 done, 2 bad usage or the command did not start.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "BenchSupport.h"

// Kept out of line and named, so that callgrind can collect exactly its instructions.
extern "C" __attribute__((noinline)) void MeasuredActivation(vexbench::Host* host) {
  host->Start(vexbench::ModuleCommand);
}

int main(int argc, char** argv) {
  std::size_t products = 10;
  std::size_t depth = 10;
  std::size_t activations = 100;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--products") == 0 && hasValue) {
      products = std::stoul(argv[++i]);
    } else if (std::strcmp(argv[i], "--depth") == 0 && hasValue) {
      depth = std::stoul(argv[++i]);
    } else if (std::strcmp(argv[i], "--activations") == 0 && hasValue) {
      activations = std::stoul(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: %s [--products N] [--depth D] [--activations K]\n", argv[0]);
      return 2;
    }
  }
  try {
    vexbench::LoadModule();
    vexbench::Host host;
    host.Open("sized", vexbench::SizedDocument(products, depth));
    for (int warm = 0; warm < 10; ++warm) {
      host.Start(vexbench::ModuleCommand);
      host.Cancel();
    }
    for (std::size_t i = 0; i < activations; ++i) {
      MeasuredActivation(&host);
      host.Cancel();
    }
    std::printf("%zu activations on %zu products at depth %zu\n", activations, products, depth);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vexbench_activation: %s\n", error.what());
    return 2;
  }
}
