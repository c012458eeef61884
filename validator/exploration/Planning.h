// What the explorer, the sweep planner and the random sequences share: a path as a key, the
// order in which their jobs go to the workers, the lines that hung, and a worker's death read as
// a finding.
#pragma once

#include <compare>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "validator/case/Case.h"
#include "validator/case/Runner.h"
#include "validator/processes/Messages.h"
#include "validator/processes/Pool.h"

namespace vexvalidator {

// A path: a command and the script lines that work it, the start included.
struct Path {
  std::string Command;
  std::vector<std::string> Steps;
  auto operator<=>(const Path&) const = default;  // NOLINT(modernize-use-nullptr): a compiler-made 0, no pointer
};

// Jobs of a lower priority go to the workers first.
enum Priority { Exploring = 0, Sweeping = 1, RandomUse = 2 };
using SubmitJob = std::function<void(Job, Priority)>;

// A line that hung this often is not run again where that can be avoided.
inline constexpr int HangsBeforeSkipping = 2;

// The lines during which a worker stood still past the time limit, and how often each did.
class HungLines {
 public:
  // The worker ran `lines` and hung, or died otherwise, during the line of `death`.
  void Note(const Pool::Death& death, const std::vector<std::string>& lines);
  bool HungTooOften(const std::string& line) const;
  // Every line that hung, in the order of their texts.
  std::vector<std::string> Lines() const;

 private:
  std::map<std::string, int> _Hangs;
};

// A worker that died or hung, as a finding that names the line it was running.
Finding DeathFinding(const Pool::Death& death, const std::vector<std::string>& lines);

// The products of a document as `active` takes them, "Hull/Block A".
std::vector<std::string> ProductPaths(const vexhost::DocumentData& document);

}  // namespace vexvalidator
