// Runs one case in this process: a fresh host session on the document, the case's script run
// line by line through the front ends' script language (exactly as `vexhost --script` runs it, so
// that a finding replays), then the checks at the end of every path.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Case.h"
#include "Coverage.h"
#include "Scene.h"
#include "vexhost/Document.h"

namespace vexhost {
class Session;
}

namespace vexdrive {
class Desk;
}

namespace vexvalidator {

struct RunSetup {
  vexhost::DocumentData Document;
  std::vector<std::string> ResourceDirs;
  std::string Module;         // what a worker loads before it runs cases
  int SlowMs = 0;             // a step that takes longer is a finding; 0: steps are not timed
  bool KeepsApplied = false;  // a Cancel may leave what the command applied before it
  bool WatchCalls = true;     // the module's system calls are watched (SystemWatch.h), where the kernel lets them be
};

// What a case's run tells whoever follows it, as it runs. Every hook does nothing unless overridden.
class CaseObserver {
 public:
  virtual ~CaseObserver() = default;
  // Before each line, with its index.
  virtual void LineBegins(vexhost::Session& /*session*/, int /*index*/) {}
  // When the end-of-path checks begin, with the index after the last line run.
  virtual void ChecksBegin(int /*index*/) {}
  // When the steps are done, before anything else looks: what a person sees.
  virtual void StepsDone(vexhost::Session& /*session*/, vexdrive::Desk& /*desk*/) {}
  // Just before the host ends the run, and once it has and the accounting is checked; `stopped`:
  // the last line begun was refused.
  virtual void EndBegins(vexhost::Session& /*session*/) {}
  virtual void Ended(vexhost::Session& /*session*/, const std::vector<Finding>& /*findings*/, bool /*stopped*/) {}
  // When a C++ exception left the session in the middle of a call: the findings are all there is.
  virtual void Abandoned(const std::vector<Finding>& /*findings*/) {}
};

// Tells every hook to each of several observers, in order.
class Observers : public CaseObserver {
 public:
  explicit Observers(std::vector<CaseObserver*> each) : _Each(std::move(each)) {}
  void LineBegins(vexhost::Session& session, int index) override;
  void ChecksBegin(int index) override;
  void StepsDone(vexhost::Session& session, vexdrive::Desk& desk) override;
  void EndBegins(vexhost::Session& session) override;
  void Ended(vexhost::Session& session, const std::vector<Finding>& findings, bool stopped) override;
  void Abandoned(const std::vector<Finding>& findings) override;

 private:
  std::vector<CaseObserver*> _Each;  // borrowed; null ones are skipped
};

// Chooses the next line of a path as it runs, from the possible actions in what the session shows
// now; empty: the path ends.
using NextLine = std::function<std::string(vexhost::Session&, const Scene&, int index)>;

// A case to run, by name: `RunRequest{.Lines = ..., .Look = true}`.
struct RunRequest {
  std::vector<std::string> Lines = {};
  bool Look = false;                 // report the state and the possible actions at the end
  bool FaultArmed = false;           // the script arms a fault: a clean failure is then acceptable
  bool Watch = false;                // watch each step as a person would (StepWatch.h); for runs without faults
  NextLine Next = nullptr;           // when set, lines are chosen as the path runs (after `Lines`)
  CaseObserver* Observer = nullptr;  // borrowed; told of the run as it goes
};

CaseResult RunCase(const RunSetup& setup, RunRequest& request);

// Host objects that outlived their sessions a process may hold before it is replaced.
inline constexpr int MostAdoptedObjects = 10000;

// The end-of-path check on a session whose steps are done, before the host ends the run: a
// command left running must show something, when `mustShow` (no fault armed, started with a
// current editor). `scene`: what the session shows now, when it was already taken.
std::vector<Finding> CheckBeforeEnd(vexhost::Session& session, bool mustShow, const Scene* scene = nullptr);
// After the host has cancelled a running command: what the accounting holds.
std::vector<Finding> CheckAccounting(vexhost::Session& session);
// A step that took longer than `slowMs`, as a finding that names its line.
Finding SlowStep(const std::string& line, int slowMs);

}  // namespace vexvalidator
