#include "CaseRecorder.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "ProductEffects.h"
#include "UnifiedDiff.h"
#include "drive/Desk.h"
#include "drive/Drawing.h"
#include "drive/Text.h"
#include "vex/Dialogs.h"
#include "vex/StateCommand.h"
#include "vexhost/Session.h"
#include "vexhost/Snapshot.h"

namespace vexvalidator {

namespace {

using vexdrive::Printable;

// Looking at the dialogs asks the module for its resource files. While the record looks, the
// fault plan neither counts nor fails what that makes the module do: the case goes on to end
// exactly as it would have without the record.
class FaultsPaused {
 public:
  explicit FaultsPaused(vexhost::Session& session) : _Session(session), _Saved(session.Faults()) {
    _Session.Faults() = vexhost::FaultPlan();
  }
  ~FaultsPaused() { _Session.Faults() = _Saved; }
  FaultsPaused(const FaultsPaused&) = delete;
  FaultsPaused& operator=(const FaultsPaused&) = delete;

 private:
  vexhost::Session& _Session;
  vexhost::FaultPlan _Saved;
};

// What became of the host errors, each way once with how often, in the order first met: their
// kind and whether the module released them, left them to the host or let them escape (and from
// which call). Their messages name where the fault plan raised them, which the case says already.
std::vector<std::string> ErrorLines(const std::vector<vexhost::CaughtError>& errors) {
  std::vector<std::string> ways;
  std::map<std::string, int> counts;
  for (const auto& error : errors) {
    std::string way = "host error " + Printable(error.Kind);
    if (error.Escaped) {
      way += " escaped the module" + (error.Where.empty() ? "" : " from " + Printable(error.Where));
    } else {
      way += error.ReleasedByHandler ? " caught and released by the module" : " caught, left to the host";
    }
    if (counts[way]++ == 0) ways.push_back(way);
  }
  for (auto& way : ways) {
    if (counts[way] > 1) way += " (" + std::to_string(counts[way]) + " times)";
  }
  return ways;
}

// The resource files an object names at levels -1, 0, 1, ...: the host finds its texts there.
std::string ResourceLine(const VexCommand& object) {
  return "resource files of " + Printable(object.GetName().CastToCharPtr()) + ": " +
         Printable(vexdrive::Join(vexhost::ResourceFiles(object), " "));
}

// What a person sees: whether a command runs and in which state, the shown dialogs (drawn, when
// `drawn`) and the hidden ones, and the products. With `resources`, also the resource files the
// running command and the open windows name, which decide the texts the host finds for them.
std::vector<std::string> WhatIsSeen(vexhost::Session& session, vexdrive::Desk& desk, std::vector<std::string> products,
                                    bool drawn, bool resources) {
  std::vector<std::string> lines{Printable(desk.State())};
  VexStateCommand* running = session.RunningCommand();
  if (running != nullptr) lines.push_back("state: " + Printable(vexhost::SnapshotGraph(*running).CurrentState));
  if (resources) {
    if (running != nullptr) lines.push_back(ResourceLine(*running));
    for (const VexDialog* window : session.OpenDialogs()) lines.push_back(ResourceLine(*window));
  }
  if (drawn) {
    std::vector<std::string> hidden;
    for (const auto& window : desk.OpenWindows()) {
      if (!window.Visible) hidden.push_back(Printable(window.Name));
    }
    if (!hidden.empty()) lines.push_back("hidden: " + vexdrive::Join(hidden, ", "));
    for (const auto& line : SplitLines(vexdrive::DrawText(desk.Draw()))) lines.push_back("| " + line);
  }
  lines.insert(lines.end(), products.begin(), products.end());
  return lines;
}

// A digest of the fields of calls, each field ended by its length, so that no two different calls
// mix alike. It takes eight bytes at a time, put together byte by byte so that it is the same on
// any machine: a sweep digests a hundred thousand runs.
class CallDigest {
 public:
  void Add(std::string_view text) {
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) Mix(Word(text.data() + at, 8));
    Mix(Word(text.data() + at, text.size() - at) ^ (std::uint64_t{text.size()} << 56));
  }
  void Add(const vexhost::JournalEntry& entry) {
    Add(entry.Op);
    Add(entry.On);
    Add(entry.Dir);
    if (entry.Op != "Allocate") {
      for (const auto& arg : entry.Args) Add(arg);
    }
    Add(entry.Result);
    for (const auto& output : entry.Outputs) Add(output);
  }
  void AddRange(const vexhost::Journal& journal, std::size_t from, std::size_t to) {
    if (from < journal.FirstIndex()) Add(std::to_string(journal.FirstIndex() - from) + " not kept");
    for (std::size_t i = std::max(from, journal.FirstIndex()); i < to; ++i)
      Add(journal.Entries()[i - journal.FirstIndex()]);
  }
  std::uint64_t Value() const { return _Hash; }

 private:
  static std::uint64_t Word(const char* bytes, std::size_t count) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < count; ++i) word |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
    return word;
  }
  void Mix(std::uint64_t word) {
    _Hash = (_Hash ^ word) * 0x9E3779B97F4A7C15ULL;
    _Hash ^= _Hash >> 29;
  }

  std::uint64_t _Hash = 14695981039346656037ULL;
};

// The findings, each on a line of its own, in order of kind and message. A slow step is left out:
// how long a step takes is the machine's as much as the module's, and the record must not change
// with the load.
std::string FindingLines(std::vector<Finding> findings) {
  std::erase_if(findings, [](const Finding& finding) { return finding.Kind == kind::Slow; });
  std::sort(findings.begin(), findings.end());
  std::string lines;
  for (const auto& finding : findings) lines += "\nfinding: " + finding.Kind + ": " + Printable(finding.Message);
  return lines;
}

}  // namespace

std::string CanonicalCall(const std::string& op, const std::string& on, std::vector<std::string> args, bool intoModule,
                          const std::string& result, const std::vector<std::string>& outputs) {
  if (op == "Allocate") args.clear();
  std::string text = std::string(intoModule ? "> " : "  ") + op + "(" + on;
  for (std::size_t i = 0; i < args.size(); ++i) text += (i == 0 ? (on.empty() ? "" : "; ") : ", ") + args[i];
  text += ")";
  if (!result.empty()) text += " -> " + result;
  if (!outputs.empty()) text += " [" + vexdrive::Join(outputs, ", ") + "]";
  return Printable(text);
}

std::vector<std::string> CaseRecorder::CallsSince(vexhost::Session& session, std::size_t from) const {
  vexhost::Journal& journal = session.GetJournal();
  std::vector<std::string> calls;
  if (from < journal.FirstIndex()) {
    calls.push_back("  (" + std::to_string(journal.FirstIndex() - from) + " calls no longer kept)");
    from = journal.FirstIndex();
  }
  // The same call made again and again in a row (the host looking up a dialog's resource file
  // for each of its widgets) stands once, with how often.
  std::string last;
  int repeats = 0;
  auto close = [&] {
    if (repeats > 1) calls.back() += " (" + std::to_string(repeats) + " times)";
  };
  for (std::size_t i = from; i < journal.Size(); ++i) {
    const vexhost::JournalEntry& entry = *journal.At(i);
    std::string call =
        CanonicalCall(entry.Op, entry.On, entry.Args, entry.Dir == vexhost::HostToModule, entry.Result, entry.Outputs);
    if (repeats > 0 && call == last) {
      ++repeats;
      continue;
    }
    close();
    calls.push_back(call);
    last = std::move(call);
    repeats = 1;
  }
  close();
  return calls;
}

void CaseRecorder::LineBegins(vexhost::Session& session, int /*index*/) {
  // From the first line on: the document is open, and what opening it did is no change.
  if (!_Watch) _Watch = std::make_unique<vexhost::ChangeWatch>(session);
  const std::size_t now = session.GetJournal().Size();
  if (_InLine && _Calls) _Record.Lines.push_back(CallsSince(session, _LineStart));
  if (_InLine && !_Calls) _Record.Lines.emplace_back();
  _LineStart = now;
  _InLine = true;
}

void CaseRecorder::StepsDone(vexhost::Session& session, vexdrive::Desk& desk) {
  LineBegins(session, static_cast<int>(_Record.Lines.size()));
  _InLine = false;
  _StepsEnd = session.GetJournal().Size();
  FaultsPaused paused(session);
  std::vector<std::string> products = ProductEffects(session, _Watch->Take(), _Opened.ActivePath);
  _Watch.reset();
  _Sight = vexdrive::Join(WhatIsSeen(session, desk, std::move(products), _Calls, _Resources), "\n");
}

void CaseRecorder::EndBegins(vexhost::Session& session) { _EndStart = session.GetJournal().Size(); }

void CaseRecorder::Ended(vexhost::Session& session, const std::vector<Finding>& findings, bool stopped) {
  if (_Calls) {
    _Record.Ending = CallsSince(session, _EndStart);
  } else {
    const vexhost::Journal& journal = session.GetJournal();
    CallDigest digest;
    digest.AddRange(journal, 0, _StepsEnd);
    digest.AddRange(journal, _EndStart, journal.Size());
    _Record.Calls = digest.Value();
  }
  std::string outcome = _Sight;
  if (stopped) outcome += "\nrefused: line " + std::to_string(_Record.Lines.size()) + " could not be done";
  for (const auto& error : ErrorLines(session.Errors())) outcome += "\n" + error;
  _Record.Outcome = outcome + FindingLines(findings);
}

void CaseRecorder::Abandoned(const std::vector<Finding>& findings) {
  _Record.Outcome = "the run was abandoned" + FindingLines(findings);
}

}  // namespace vexvalidator
