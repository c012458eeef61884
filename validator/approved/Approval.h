// `--approved DIR`: the validation's behaviour against the approved one. Without approved
// behaviour in DIR (or with --approve) the validation writes what it recorded there; with it, each
// command whose paths behave otherwise is a "behaviour changed" finding with the unified diff of
// the first path that differs, the script that replays it and how many paths changed; paths that
// vanished or appeared are findings of their own, and so is a change in the module's loading.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ApprovedBook.h"
#include "ApprovedComparison.h"
#include "ApprovedFiles.h"
#include "validator/case/Options.h"
#include "validator/findings/FindingBook.h"
#include "validator/findings/Outcome.h"

namespace vexvalidator {

class Approval {
 public:
  // Reads what the directory holds; throws ApprovedError when it cannot be used.
  explicit Approval(const ValidateOptions& options);

  ApprovedBook& Book() { return _Book; }
  // Whether the validation writes the approved behaviour rather than comparing with it.
  bool Writes() const { return !_Approved.has_value(); }

  // After every case has run: writes the recorded behaviour, or compares it with the approved one
  // and books what differs. Throws ApprovedError when the directory cannot be written.
  void Conclude(Outcome& outcome, FindingBook& findings, const std::string& document);

 private:
  ApprovedSet Recorded(const Outcome& outcome, const std::string& document) const;
  void Book(const Comparison& comparison, const Outcome& outcome, FindingBook& findings) const;

  std::string _Directory;
  int _Depth;
  int _States;
  std::chrono::milliseconds _Limit;      // for the marker's answer
  std::optional<ApprovedSet> _Approved;  // none: nothing approved yet, or --approve
  ApprovedBook _Book;
};

// The case that replays a changed path (its steps, or its first fault case whose outcome changed),
// ended by what the approved record saw at that end as expectations, or by a comment where no
// expectation tells the two apart.
Case ReplayOfChange(const PathChange& change, const std::string& command);

// The unified diff of two texts as a report shows it: each line indented, a long line folded at its
// "; " and cut, so that no line of the report is over 300 characters; cut after 200 lines.
std::string DiffText(const std::string& approved, const std::string& now);

// The text of the module's loading as approved: its registrations and host calls at load, in
// order, what its marker answers (asked in a child, within `limit`), and the symbols it exports,
// sorted.
std::string LoadingText(const Outcome& outcome, std::chrono::milliseconds limit);

}  // namespace vexvalidator
