#include "History.h"

#include <algorithm>

#include "vexhost/Journal.h"
#include "vexhost/Session.h"

namespace vexvalidator {

void JournalTaker::Ended(vexhost::Session& session, const std::vector<Finding>&, bool) {
  vexhost::Journal& journal = session.GetJournal();
  _Calls.clear();
  for (std::size_t i = 0; i < journal.Size(); ++i) {
    const vexhost::JournalEntry* entry = journal.At(i);
    // The host asks for a window's resource file whenever a title is drawn or looked at: when it
    // asks is the onlooker's doing (a recording, a snapshot), not the module's.
    if (entry != nullptr && entry->Op != "GetResourceFilename") _Calls.push_back(entry->Text());
  }
}

std::optional<Finding> HistoryFinding(const std::vector<std::string>& first, const std::vector<std::string>& second) {
  const auto [a, b] = std::mismatch(first.begin(), first.end(), second.begin(), second.end());
  if (a == first.end() && b == second.end()) return std::nullopt;
  const std::size_t at = static_cast<std::size_t>(a - first.begin());
  const std::string before = a == first.end() ? "no call" : "`" + *a + "`";
  const std::string after = b == second.end() ? "no call" : "`" + *b + "`";
  return Finding{kind::History,
                 "the same lines, run again in a fresh session of the same process, went otherwise: call " +
                     std::to_string(at + 1) + " was " + before + " the first time and " + after +
                     " the second: the module keeps something from one command to the next"};
}

std::optional<Finding> SameAgain(const RunSetup& setup, const RunRequest& request,
                                 const std::vector<std::string>& first) {
  JournalTaker taker;
  RunRequest again{.Lines = request.Lines, .Look = request.Look, .Watch = request.Watch, .Observer = &taker};
  const CaseResult second = RunCase(setup, again);
  if (second.Fatal) return std::nullopt;  // the run itself is the finding, told by the first
  return HistoryFinding(first, taker.Calls());
}

}  // namespace vexvalidator
