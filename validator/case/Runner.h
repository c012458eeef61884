// Runs one case in this process: a fresh host session on the document, the case's script run
// line by line through the shell's script language (exactly as `vexhost --script` runs it, so
// that a finding replays), then the checks at the end of every path.
#pragma once

#include <atomic>
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

namespace vexvalidator {

class CaseRecorder;

struct RunSetup {
  vexhost::DocumentData Document;
  std::vector<std::string> ResourceDirs;
  std::string Module;  // what a worker loads before it runs cases
  int SlowMs = 0;      // a step that takes longer is a finding; 0: steps are not timed
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
  // When its steps were watched: the fingerprint of the state before each line run, and what the
  // steps covered.
  std::vector<std::string> Trail;
  CaseCoverage Coverage;
  double Seconds = 0;  // how long the case took
};

// Called before each line with its index, and with the index after the last when the end-of-path
// checks begin.
using LineMonitor = std::function<void(int)>;
// Chooses the next line of a path as it runs, from the possible actions in what the session shows
// now; empty: the path ends.
using NextLine = std::function<std::string(vexhost::Session&, const Scene&, int index)>;

struct RunRequest {
  std::vector<std::string> Lines;
  bool Look = false;        // report the state and the possible actions at the end
  bool FaultArmed = false;  // the script arms a fault: a clean failure is then acceptable
  NextLine Next;            // when set, lines are chosen as the path runs (after `Lines`)
  LineMonitor Monitor;
  bool Watch = false;                // watch each step as a person would (StepWatch.h); for runs without faults
  CaseRecorder* Recorder = nullptr;  // when set, takes the case's canonical record as it runs
};

CaseOutcome RunCase(const RunSetup& setup, RunRequest& request);

// The end-of-path check on a session whose steps are done, before the host ends the run: a
// command left running must show something, when `mustShow` (no fault armed, started with a
// current editor). `scene`: what the session shows now, when it was already taken.
std::vector<Finding> CheckBeforeEnd(vexhost::Session& session, bool mustShow, const Scene* scene = nullptr);
// After the host has cancelled a running command: what the accounting holds.
std::vector<Finding> CheckAccounting(vexhost::Session& session);
// A step that took longer than `slowMs`, as a finding that names its line.
Finding SlowStep(const std::string& line, int slowMs);

}  // namespace vexvalidator
