// Runs a piece of work in a forked child under a time limit and brings back what it returns, or
// how the child died and at which stage of the work.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "Slot.h"

namespace vexvalidator {

struct Isolated {
  std::optional<nlohmann::json> Value;
  std::string Death;  // how the child died, when it did
  int Stage = -1;     // what the work had last written into its slot
};

// `work` runs in the child and may note its stage as the slot's line.
Isolated RunIsolated(const std::function<nlohmann::json(Slot&)>& work, std::chrono::milliseconds limit);

}  // namespace vexvalidator
