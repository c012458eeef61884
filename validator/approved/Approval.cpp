#include "Approval.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

#include "ApprovedCompaction.h"
#include "ApprovedReplay.h"
#include "FaultOutcomes.h"
#include "drive/Text.h"
#include "validator/case/UnifiedDiff.h"
#include "validator/processes/Exports.h"
#include "validator/processes/Isolated.h"

namespace vexvalidator {

namespace {

constexpr const char* LoadingFile = "module.txt";
// A diff in a report is cut after this many lines; the files hold the whole change.
constexpr std::size_t MostDiffLines = 200;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

const char* Preamble(const std::string& file) {
  if (EndsWith(file, "/paths.txt")) {
    return "# Each explored path: the calls across the boundary during its last line (during every line when\n"
           "# its shorter path was not explored), what a person sees at its end, and the calls as the host\n"
           "# ends the run. '>' marks a call of the host into the module.\n";
  }
  if (EndsWith(file, "/faults.txt")) {
    return "# Each swept path: for every fault family, the fault points that ran, in runs of points that\n"
           "# reached the same outcome (outcomes.txt holds each outcome under its label), then a digest of\n"
           "# all the calls the family's cases made.\n";
  }
  return "# The outcomes the fault cases reached, each under its label: whether a command runs and what is\n"
         "# shown, the products, what became of the host errors, a line refused, the findings.\n";
}

// A report's lines stay readable: a line of a record longer than this is folded before the two
// sides are compared, at its "; " between runs of fault points, so that the diff shows the runs
// that changed rather than one line of a thousand characters; a part still longer is cut.
constexpr std::size_t FoldAt = 160;
constexpr std::size_t LongestDiffLine = 290;

std::vector<std::string> Folded(const std::vector<std::string>& lines) { return FoldedAt(lines, "; ", FoldAt); }

// A line of a diff, cut where longer than LongestDiffLine, its note of what was cut included, at
// the start of a character.
std::string CutLine(const std::string& line) {
  if (line.size() <= LongestDiffLine) return line;
  std::size_t cut = LongestDiffLine - 24;  // room for the note
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return line.substr(0, cut) + " (" + std::to_string(line.size() - cut) + " more bytes)";
}

std::string Indented(const std::string& diff) {
  std::string text;
  std::size_t count = 0;
  const std::vector<std::string> lines = SplitLines(diff);
  for (const auto& line : lines) {
    if (++count > MostDiffLines) {
      text += "\n    (" + std::to_string(lines.size() - MostDiffLines) + " more lines of the diff)";
      break;
    }
    text += "\n    " + CutLine(line);
  }
  return text;
}

// A path's steps on one line of the report; a long path keeps its start and its end (the replay
// holds every step).
std::string StepsText(const std::vector<std::string>& steps) {
  constexpr std::size_t MostCharacters = 100;
  return "`" + vexdrive::Abbreviated(vexdrive::Join(steps, "; "), MostCharacters) + "`";
}

std::string Paths(std::size_t n) { return std::to_string(n) + (n == 1 ? " path" : " paths"); }

std::string SectionOf(const std::map<std::string, std::string>& sections, const std::string& file) {
  const auto found = sections.find(file);
  return found == sections.end() ? std::string() : found->second;
}

// The outcome a fault case reached, as an expanded section of fault points has it.
std::string FaultOutcome(const std::string& faults, const Case& faultCase) {
  std::string family = faultCase.Label;
  const std::string calls = ", the calls of its cases";
  if (EndsWith(family, calls)) family.erase(family.size() - calls.size());
  const auto points = ReadFaults(faults);
  const auto found = points.find(family);
  if (found == points.end()) return {};
  const auto point = found->second.find(faultCase.FaultPoint);
  return point == found->second.end() ? std::string() : point->second;
}

// The case that replays a changed path: its steps, or the first fault case whose outcome changed
// when its own calls and ending did not; ended by what the approved record saw at its end.
}  // namespace

Case ReplayOfChange(const PathChange& change, const std::string& command) {
  Case where{Phase::Exploration, command, "approved behaviour", change.Steps, 0};
  if (change.What != PathChange::How::Changed) return where;
  const std::string paths = change.Folder + "/paths.txt";
  const std::string faults = change.Folder + "/faults.txt";
  std::string approvedSeen = SeenAtEnd(SectionOf(change.Approved, paths));
  std::string nowSeen = SeenAtEnd(SectionOf(change.Now, paths));
  if (SectionOf(change.Approved, paths) == SectionOf(change.Now, paths)) {
    const Path path{command, change.Steps};
    const std::string approvedFaults = SectionOf(change.Approved, faults);
    const std::string nowFaults = SectionOf(change.Now, faults);
    if (auto faultCase = FirstChangedFaultCase(path, approvedFaults, nowFaults)) {
      where = *faultCase;
      approvedSeen = FaultOutcome(approvedFaults, where);
      nowSeen = FaultOutcome(nowFaults, where);
      where.Label = "approved behaviour, " + where.Label;
    }
  }
  const std::vector<std::string> ending = ApprovedEnding(approvedSeen, nowSeen);
  where.Lines.insert(where.Lines.end(), ending.begin(), ending.end());
  return where;
}

std::string DiffText(const std::string& approved, const std::string& now) {
  return Indented(UnifiedDiff(Folded(SplitLines(approved)), Folded(SplitLines(now)), "approved", "this run"));
}

std::string MarkerAnswer(const std::string& module, std::chrono::milliseconds limit) {
  // The module is never loaded in the validator's own process, and its code may do anything: a
  // child loads it, with what it writes kept out of the report, and asks the marker.
  const Isolated asked = RunIsolated(
      [&module](Slot&) -> nlohmann::json {
        const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (quiet >= 0) {
          ::dup2(quiet, STDOUT_FILENO);
          ::dup2(quiet, STDERR_FILENO);
        }
        void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return "(the module cannot be loaded)";
        void* symbol = ::dlsym(handle, MarkerName(module).c_str());
        if (symbol == nullptr) return "(not exported)";
        int (*marker)() = nullptr;
        std::memcpy(&marker, &symbol, sizeof marker);
        return marker();
      },
      limit);
  if (!asked.Value) return "(no answer: " + asked.Death + ")";
  if (asked.Value->is_string()) return asked.Value->get<std::string>();
  if (!asked.Value->is_number_integer()) return "(no answer)";
  return std::to_string(asked.Value->get<long long>());
}

std::string LoadingText(const Outcome& outcome, std::chrono::milliseconds limit) {
  std::string text =
      "# The module's loading: what it registered and called at load, in order, what its marker answers and\n"
      "# what it exports.\n";
  text += "== loading\n";
  for (const auto& name : outcome.Load.Registered) text += "registered: " + vexdrive::Printable(name) + "\n";
  for (const auto& event : outcome.Load.Events) text += "at load: " + vexdrive::Printable(event) + "\n";
  text += "marker: " + vexdrive::Printable(MarkerName(outcome.Module)) + "() -> " +
          MarkerAnswer(outcome.Module, limit) + "\n";
  std::vector<std::string> exports;
  try {
    exports = ExportedSymbols(outcome.Module);
  } catch (const std::runtime_error& error) {
    exports = {std::string("(cannot be read: ") + error.what() + ")"};
  }
  std::sort(exports.begin(), exports.end());
  for (const auto& symbol : exports) text += "exports: " + vexdrive::Printable(symbol) + "\n";
  return text;
}

Approval::Approval(const ValidateOptions& options)
    : _Directory(options.Approved),
      _Depth(options.Depth),
      _States(options.States),
      _Limit(std::chrono::milliseconds(options.TimeLimitMs)) {
  CheckApprovedDirectory(_Directory);
  std::optional<ApprovedSet> approved;
  try {
    approved = ReadApproved(_Directory);
  } catch (const ApprovedFormatError&) {
    // A record in a format this validator does not read is rewritten when asked to, else refused.
    if (!options.Approve && !options.UpdateGolden) throw;
    return;
  }
  const bool sameBounds = approved && approved->Depth == _Depth && approved->States == _States;
  if (options.Approve || (options.UpdateGolden && (!approved || sameBounds))) return;
  _Approved = std::move(approved);
}

ApprovedSet Approval::Recorded(const Outcome& outcome, const std::string& document) const {
  ApprovedSet set;
  set.Document = vexdrive::Printable(document);
  set.Depth = _Depth;
  set.States = _States;
  set.Files[LoadingFile] = LoadingText(outcome, _Limit);
  for (const auto& section : _Book.Sections()) {
    std::string& text = set.Files[section.File];
    if (text.empty()) text = Preamble(section.File);
    text += section.Text;
  }
  for (auto& [name, text] : set.Files) {
    if (EndsWith(name, "/paths.txt") || EndsWith(name, "/faults.txt")) text = Compacted(text);
  }
  return set;
}

void Approval::Conclude(Outcome& outcome, FindingBook& findings, const std::string& document) {
  const ApprovedSet recorded = Recorded(outcome, document);
  if (!_Approved) {
    WriteApproved(_Directory, recorded);
    std::size_t bytes = 0;
    for (const auto& [name, text] : recorded.Files) bytes += text.size();
    outcome.Notes.push_back("approved behaviour written to " + _Directory + ": " + Paths(_Book.PathCount()) + " in " +
                            std::to_string(recorded.Files.size() + 1) + " files, " + std::to_string(bytes / 1024) +
                            " KiB; review it, then commit it");
    return;
  }
  const bool sameBounds = _Approved->Depth == _Depth && _Approved->States == _States;
  const Comparison comparison = Compare(*_Approved, recorded, sameBounds);
  Book(comparison, outcome, findings);
  std::map<PathChange::How, std::size_t> counts;
  for (const auto& change : comparison.Paths) ++counts[change.What];
  outcome.Notes.push_back("approved behaviour in " + _Directory + ": " + Paths(comparison.Compared) + " compared, " +
                          std::to_string(counts[PathChange::How::Changed]) + " changed, " +
                          std::to_string(counts[PathChange::How::Vanished]) + " vanished, " +
                          std::to_string(counts[PathChange::How::Appeared]) + " appeared");
  if (!sameBounds) {
    outcome.Notes.push_back("the approved behaviour was explored with --depth " + std::to_string(_Approved->Depth) +
                            " --states " + std::to_string(_Approved->States) + ", this run with --depth " +
                            std::to_string(_Depth) + " --states " + std::to_string(_States) +
                            ": a path only one of them explored is not compared");
  }
}

void Approval::Book(const Comparison& comparison, const Outcome& outcome, FindingBook& findings) const {
  std::map<std::string, std::string> commands;  // by folder
  for (const auto& command : outcome.Commands) commands[FileNameOf(command)] = command;
  auto commandOf = [&](const std::string& folder) {
    const auto found = commands.find(folder);
    return found == commands.end() ? folder : found->second;
  };
  // Each command's changes, by how they changed, in the order of their steps.
  std::map<std::string, std::map<PathChange::How, std::vector<const PathChange*>>> byCommand;
  for (const auto& command : outcome.Commands) byCommand[command];
  for (const auto& change : comparison.Paths) byCommand[commandOf(change.Folder)][change.What].push_back(&change);
  for (const auto& [command, changes] : byCommand) {
    const std::size_t test = findings.AddTest(command + ".approved", "behaviour as approved");
    for (const auto& [how, paths] : changes) {
      // The first is the simplest to replay: the fewest steps, then in the order of the files.
      const PathChange& first = **std::min_element(
          paths.begin(), paths.end(), [](const auto* a, const auto* b) { return a->Steps.size() < b->Steps.size(); });
      const std::string steps = StepsText(first.Steps);
      std::string message;
      if (how == PathChange::How::Changed) {
        message = command + " behaves otherwise than approved on " + Paths(paths.size()) + "; the first, " + steps +
                  ":" + DiffText(Joined(first.Approved), Joined(first.Now));
      } else if (how == PathChange::How::Vanished) {
        message = command + ": " + Paths(paths.size()) + " approved and no longer explored; the first, " + steps;
      } else {
        message = command + ": " + Paths(paths.size()) + " explored and not approved; the first, " + steps + ":" +
                  DiffText({}, Joined(first.Now));
      }
      findings.Record(ReplayOfChange(first, command), {{kind::BehaviourChanged, message}}, test);
    }
  }
  const std::size_t test = findings.AddTest("load", "loading as approved");
  for (const auto& file : comparison.Files) {
    const std::string message =
        "the module's loading (" + file.Name + ") differs from the approved:" + DiffText(file.Approved, file.Now);
    findings.Record({Phase::Load, "", "loading as approved", {}, 0}, {{kind::BehaviourChanged, message}}, test);
  }
}

}  // namespace vexvalidator
