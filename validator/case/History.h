// Whether a path behaves the same each time: a module keeps no state between commands, so the same
// lines run again make the same calls across the boundary in the same order, in a fresh session of
// the same process and in the same session once the document is reopened as it was. A module-wide
// variable that a run changes (a counter, a cache, a flag) shows as the first call that differs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Runner.h"

namespace vexvalidator {

// Takes the journal of a run, as text, once the host has ended the run: the calls from the line
// `from` on.
class JournalTaker : public CaseObserver {
 public:
  explicit JournalTaker(int from = 0) : _FromLine(from) {}
  void LineBegins(vexhost::Session& session, int index) override;
  void Ended(vexhost::Session& session, const std::vector<Finding>& findings, bool stopped) override;
  const std::vector<std::string>& Calls() const { return _Calls; }

 private:
  int _FromLine;
  std::size_t _From = 0;
  std::vector<std::string> _Calls;
};

// Runs `request`'s lines again in a fresh session, watched and looked at as the first run was, and
// compares its calls with `first`, the calls of the run before; a history finding names the first
// call that differs.
std::optional<Finding> SameAgain(const RunSetup& setup, const RunRequest& request,
                                 const std::vector<std::string>& first);

// Runs `request`'s lines, then `reopen` and the same lines again, in one session, and compares the
// calls of the second time with `first`; the finding's replay ends with the second time.
std::optional<Finding> SameInOneSession(const RunSetup& setup, const RunRequest& request,
                                        const std::vector<std::string>& first);

// The finding for two journals that differ, or none when they are the same; `again` says how the
// second journal was taken.
std::optional<Finding> HistoryFinding(const std::vector<std::string>& first, const std::vector<std::string>& second,
                                      const std::string& again = "in a fresh session of the same process");

}  // namespace vexvalidator
