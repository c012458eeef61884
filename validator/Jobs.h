// The work handed to a worker process, and what it sends back, one JSON object a line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Case.h"

namespace vexvalidator {

struct Job {
  enum class Kind { Explore, Sweep, Random };
  Kind What = Kind::Explore;
  int Id = 0;
  std::string Command;
  std::vector<std::string> Steps;  // the path's script lines (explore, sweep)
  // Explore: whether to report the state reached and what a person could do there.
  bool Look = false;
  // Sweep: the fault family, and the fault points to try (until one is not met).
  int Family = 0;
  int From = 1;
  int Last = 1;
  // Fault points not to run: there a shorter path's run was refused a line, so this path's run
  // would be the same run, refused at the same line.
  std::vector<int> Skip;
  // Random: the sequence's seed and number, its greatest length, and what it may do.
  std::uint64_t Seed = 0;
  int Index = 0;
  int Length = 0;
  std::vector<std::string> Products;  // paths of products a person may make active
  std::vector<std::string> Avoid;     // lines that hung before
};

// One case's result. For a random sequence, case 0 is the sequence as chosen and case 1 the same
// lines under a fault.
struct CaseResult {
  int N = 0;
  bool Met = false;
  bool Stopped = false;
  bool Fatal = false;
  std::vector<Finding> Findings;
  std::string Fingerprint;
  bool Running = false;
  std::vector<std::string> Actions;
  std::vector<std::string> Lines;  // random: the script that ran
};

nlohmann::json ToJson(const Job& job);
Job JobFromJson(const nlohmann::json& json);
nlohmann::json ToJson(const CaseResult& result);
CaseResult ResultFromJson(const nlohmann::json& json);

}  // namespace vexvalidator
