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
  // With Ending::Normal: what the child wrote to ChannelToParent as it ended, when it did.
  std::optional<nlohmann::json> AtExit;
  // How the child died, when it did: before it gave its value, or (with Ending::Normal) after.
  std::string Death;
  int Stage = -1;        // what the work had last written into its slot
  bool Stopped = false;  // ended early because the caller asked it to stop
};

// How the child ends once it gave its value: at once, or as a process normally ends (exit
// handlers and the destructors of static objects run, and a death there is reported).
enum class Ending { Quick, Normal };

// In the child of RunIsolated with Ending::Normal, once its value was given: where a handler run at
// exit writes one more value (one line of JSON). -1 elsewhere.
int ChannelToParent();

// `work` runs in the child and may note its stage as the slot's line. `stop`, asked while the work
// runs, ends the child early.
Isolated RunIsolated(const std::function<nlohmann::json(Slot&)>& work, std::chrono::milliseconds limit,
                     Ending ending = Ending::Quick, const std::function<bool()>& stop = {});

}  // namespace vexvalidator
