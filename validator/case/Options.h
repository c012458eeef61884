// What `vexhost validate` is asked to do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vexvalidator {

struct ValidateOptions {
  std::string Module;
  std::string Document;  // empty: the embedded ship
  std::string Resources;
  std::string Json;      // write the report as JSON here
  std::string JUnit;     // write the report as JUnit XML here
  std::string Replays;   // write each finding's replay script into this directory
  std::string Approved;  // compare with the approved behaviour in this directory, or write it there
  bool Approve = false;  // write it there even when it holds approved behaviour
  // As asked by VEXHOST_UPDATE_GOLDEN=1: write it there unless it holds approved behaviour explored
  // with other bounds (as under the sanitizers), which it leaves alone.
  bool UpdateGolden = false;
  int Depth = 3;              // actions after the start, explored breadth first
  int States = 100;           // states told apart, at most, for each command
  int RandomSequences = 100;  // for each command
  int RandomLength = 20;      // lines of a random sequence, at most
  int Workers = 0;            // worker processes; 0: one for each core
  int TimeLimitMs = 5000;     // for a case: longer counts as hung
  int SlowMs = 500;           // a step that takes longer is a finding: longer than a person waits
  // The author's word that a command keeps what it applied before a Cancel (an Apply that acts at
  // once): a Cancel that leaves the document changed is then no finding.
  bool KeepsApplied = false;
  int RunLimitSeconds = 0;  // stop after this long and write partial reports; 0: no limit
  bool WatchCalls = true;   // the watch at the system boundary; off only to measure what it costs
  // The vexhost program, which runs each slow finding's replay in a process of its own to confirm
  // it; empty: a slow step is confirmed only by its case run again in the same worker.
  std::string Host;
  std::optional<std::uint64_t> Seed;
  // Standard error is a terminal: progress as one line rewritten in place; otherwise a line as each
  // phase ends.
  bool Progress = false;
};

}  // namespace vexvalidator
