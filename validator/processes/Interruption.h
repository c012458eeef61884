// What ends a validation before it ran every case: SIGINT or SIGTERM, or its time limit. The first
// such signal asks the validation to stop, after which it ends its workers and writes its reports,
// marked partial; a second one ends the process at once, as without the validator's handler.
#pragma once

#include <chrono>
#include <csignal>
#include <string>

namespace vexvalidator {

class Interruption {
 public:
  // Installs the handlers for SIGINT and SIGTERM; `limit` of zero: no time limit. One at a time.
  explicit Interruption(std::chrono::seconds limit);
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;
  // Puts the handlers back as they were.
  ~Interruption();

  // Why the validation is to stop now ("interrupted by SIGINT", "its time limit of 60 s was
  // reached"), or empty. A time limit once reached stays reached.
  std::string Reason();
  // The signal that asked it to stop, or 0.
  int Signal() const;

 private:
  std::chrono::seconds _Limit;
  std::chrono::steady_clock::time_point _Deadline;
  bool _Reached = false;
  struct sigaction _OldInt {};
  struct sigaction _OldTerm {};
};

}  // namespace vexvalidator
