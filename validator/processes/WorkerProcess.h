// What a process that runs the module's cases is besides its jobs. The validator's own process
// never loads the module: each worker (and the probe of loading) does, after it was forked. A
// worker ignores the terminal's interrupt (the validator ends its workers itself, and reports what
// ran), dies with the validator, keeps what the module writes to standard output and error apart
// from the validator's report, and after each case tells what the case changed of the process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OutputCapture.h"
#include "drive/ProcessHygiene.h"
#include "drive/SystemWatch.h"
#include "validator/case/Case.h"
#include "validator/case/Runner.h"

namespace vexvalidator {

// Sets up a process forked from the validator to run the module: no interrupt from the terminal,
// an end with its parent, the module's output captured.
void BecomeModuleProcess();

// The calls the watch saw, each a reach finding.
std::vector<Finding> ReachFindings(const std::vector<std::string>& seen);

class WorkerProcess {
 public:
  // Sets the process up and loads the module (with a session open, as a host has one); a module
  // that cannot be loaded ends the process with code 4. The baseline of the process is taken once
  // the module is loaded: what it did at load is the probe's to report.
  explicit WorkerProcess(const RunSetup& setup);

  // The watch at the system boundary, open while a case runs; nullptr where there is none.
  vexdrive::SystemWatch* Watch() const { return _Watch; }

  // What the case just run did to the process: the system calls by which it reached outside (seen
  // by the watch), output written, the working directory, the environment, the umask, signal
  // handlers, threads, descriptors, the runtimes' settings; each kind a finding. What can be
  // put back is put back; what cannot (a thread left running, a descriptor of the process closed)
  // leaves the process untrustworthy for the next case.
  struct Effects {
    std::vector<Finding> Findings;
    bool Untrustworthy = false;
  };
  Effects AfterCase();
  // Writes one of the worker's own messages where standard error led before.
  void Complain(const std::string& text) const { _Output.Complain(text); }

 private:
  // Set up first, before anything of the process is captured or loaded.
  struct SetUp {
    SetUp() { BecomeModuleProcess(); }
  } _SetUp;
  // Started before the module is loaded, so that every thread the module starts is watched.
  vexdrive::SystemWatch* _Watch;
  OutputCapture _Output;
  std::unique_ptr<vexdrive::ProcessBaseline> _Baseline;
};

}  // namespace vexvalidator
