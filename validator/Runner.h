// Runs one case in this process: a fresh host session on the document, the case's script run
// line by line through the shell's script language (exactly as `vexhost --script` runs it, so
// that a finding replays), then the checks at the end of every path.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "Case.h"
#include "vexhost/Document.h"

namespace vexhost {
class Session;
}

namespace vexvalidator {

class CaseRecorder;

struct RunSetup {
  vexhost::DocumentData Document;
  std::vector<std::string> ResourceDirs;
};

struct CaseOutcome {
  bool FaultMet = false;  // the armed fault was injected at least once
  bool Stopped = false;   // a line was refused: what it needs was not there (under a fault: the fault's doing)
  int LinesRun = 0;
  std::vector<Finding> Findings;
  // The process can no longer be trusted for another case: a C++ exception crossed the boundary,
  // or host objects outlived their session.
  bool Fatal = false;
  // When asked to look: the state reached before the end-of-path checks, and what a person could do there.
  std::string Fingerprint;
  bool Running = false;
  std::vector<std::string> Actions;
  // The journal's size and the host allocations seen: how many fault points the run offers at most.
  int BoundaryCalls = 0;
  int Allocations = 0;
};

// Called before each line with its index, and with the index after the last when the end-of-path
// checks begin.
using LineMonitor = std::function<void(int)>;
// Chooses the next line of a path as it runs, from the possible actions; empty: the path ends.
using NextLine = std::function<std::string(vexhost::Session&, int index)>;

struct RunRequest {
  std::vector<std::string> Lines;
  bool Look = false;       // report the state and the possible actions at the end
  bool FaultArmed = false; // the script arms a fault: a clean failure is then acceptable
  NextLine Next;           // when set, lines are chosen as the path runs (after `Lines`)
  LineMonitor Monitor;
  CaseRecorder* Recorder = nullptr;  // when set, takes the case's canonical record as it runs
};

CaseOutcome RunCase(const RunSetup& setup, RunRequest& request);

// The end-of-path check on a session whose steps are done, before the host ends the run: a
// command left running must show something, when `mustShow` (no fault armed, started with a
// current editor).
std::vector<Finding> CheckBeforeEnd(vexhost::Session& session, bool mustShow);
// After the host has cancelled a running command: what the accounting holds.
std::vector<Finding> CheckAccounting(vexhost::Session& session);

}  // namespace vexvalidator
