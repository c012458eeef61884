// Random numbers that are the same on every machine and every build for the same seed and
// sequence number (the standard distributions are not), so that `--seed` replays a run.
#pragma once

#include <cstdint>

namespace vexvalidator {

class RandomSource {
 public:
  RandomSource(std::uint64_t seed, std::uint64_t sequence) : _State(seed ^ (sequence * 0x9E3779B97F4A7C15ULL)) {
    Next();
  }

  // SplitMix64.
  std::uint64_t Next() {
    std::uint64_t z = (_State += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // A number below `bound` (> 0); the slight bias of a remainder does not matter here.
  std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }

 private:
  std::uint64_t _State;
};

}  // namespace vexvalidator
