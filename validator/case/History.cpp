#include "History.h"

#include <algorithm>

#include "drive/Action.h"
#include "drive/Text.h"
#include "vexhost/Journal.h"
#include "vexhost/Session.h"

namespace vexvalidator {

void JournalTaker::LineBegins(vexhost::Session& session, int index) {
  if (index == _FromLine) _From = session.GetJournal().Size();
}

void JournalTaker::Ended(vexhost::Session& session, const std::vector<Finding>&, bool) {
  vexhost::Journal& journal = session.GetJournal();
  _Calls.clear();
  for (std::size_t i = _From; i < journal.Size(); ++i) {
    const vexhost::JournalEntry* entry = journal.At(i);
    // The host asks for a window's resource file whenever a title is drawn or looked at: when it
    // asks is the onlooker's doing (a recording, a snapshot), not the module's.
    if (entry != nullptr && entry->Op != "GetResourceFilename") _Calls.push_back(entry->Text());
  }
}

std::optional<Finding> HistoryFinding(const std::vector<std::string>& first, const std::vector<std::string>& second,
                                      const std::string& again) {
  const auto [a, b] = std::mismatch(first.begin(), first.end(), second.begin(), second.end());
  if (a == first.end() && b == second.end()) return std::nullopt;
  const std::size_t at = static_cast<std::size_t>(a - first.begin());
  const std::string before = a == first.end() ? "no call" : "`" + *a + "`";
  const std::string after = b == second.end() ? "no call" : "`" + *b + "`";
  return Finding{kind::History, "the same lines, run again " + again + ", went otherwise: call " +
                                    std::to_string(at + 1) + " was " + before + " the first time and " + after +
                                    " the second: the module keeps something from one command to the next"};
}

namespace {

// The lines, `reopen`, and the same lines again.
std::vector<std::string> Twice(const std::vector<std::string>& lines) {
  std::vector<std::string> twice = lines;
  twice.push_back(vexdrive::ActionLine(vexdrive::Action::Reopen()));
  twice.insert(twice.end(), lines.begin(), lines.end());
  return twice;
}

// A history finding's replay runs the lines, then `reopen` and the lines again: a module that keeps
// something from one command to the next makes other calls the second time.
Finding ReplayedTwice(Finding finding, const std::vector<std::string>& lines) {
  if (lines.empty()) return finding;
  const std::vector<std::string> twice = Twice(lines);
  finding.Step = static_cast<int>(lines.size()) - 1;
  finding.Expectation =
      "# once the document is reopened, the same lines make other calls across the boundary than the first "
      "time (compare them in --journal FILE)\n" +
      vexdrive::Join({twice.begin() + static_cast<std::ptrdiff_t>(lines.size()), twice.end()}, "\n");
  return finding;
}

}  // namespace

std::optional<Finding> SameAgain(const RunSetup& setup, const RunRequest& request,
                                 const std::vector<std::string>& first) {
  JournalTaker taker;
  RunRequest again{.Lines = request.Lines, .Look = request.Look, .Watch = request.Watch, .Observer = &taker};
  const CaseResult second = RunCase(setup, again);
  if (second.Fatal) return std::nullopt;  // the run itself is the finding, told by the first
  const std::optional<Finding> differs = HistoryFinding(first, taker.Calls());
  if (!differs) return differs;
  return ReplayedTwice(*differs, request.Lines);
}

std::optional<Finding> SameInOneSession(const RunSetup& setup, const RunRequest& request,
                                        const std::vector<std::string>& first) {
  if (request.Lines.empty()) return std::nullopt;
  JournalTaker taker(static_cast<int>(request.Lines.size() + 1));  // from the first line after `reopen`
  RunRequest twice{.Lines = Twice(request.Lines), .Look = request.Look, .Watch = request.Watch, .Observer = &taker};
  const CaseResult run = RunCase(setup, twice);
  if (run.Fatal || run.Stopped) return std::nullopt;  // the run itself is the finding, or none
  const std::optional<Finding> differs =
      HistoryFinding(first, taker.Calls(), "in the same session once the document was reopened as it was");
  if (!differs) return differs;
  return ReplayedTwice(*differs, request.Lines);
}

}  // namespace vexvalidator
