// The random sequences of each command: jobs whose worker chooses the lines as they run (dialog
// actions mixed with what the host lets a person do besides), then runs the same lines again under
// one random fault; and what they found, booked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Planning.h"
#include "validator/findings/FindingBook.h"
#include "validator/processes/Messages.h"
#include "validator/processes/Pool.h"

namespace vexvalidator {

class RandomSequences {
 public:
  struct Settings {
    int Count = 0;   // for each command
    int Length = 0;  // lines, at most
    std::uint64_t Seed = 0;
  };

  // Keeps references to `document` and `book`, which outlive it.
  RandomSequences(Settings settings, const vexhost::DocumentData& document, FindingBook& book, SubmitJob submit);

  void Plan(const std::string& command);
  void OnResult(const Job& job, const RandomJob& work, const CaseResult& result);
  // The worker died during case `death.N` after it had chosen `death.Streamed`.
  void OnDeath(const Job& job, const RandomJob& work, const Pool::Death& death);

 private:
  void Booked(const Case& where, int n, const std::vector<Finding>& findings, std::size_t test, int step,
              double seconds = 0);

  Settings _Settings;
  const vexhost::DocumentData& _Document;
  FindingBook& _Book;
  SubmitJob _Submit;
};

}  // namespace vexvalidator
