#include "WorkerProcess.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "vexhost/Session.h"

namespace vexvalidator {

void BecomeModuleProcess() {
  // Ctrl-C reaches the whole process group: the validator stops, ends its workers and reports.
  std::signal(SIGINT, SIG_IGN);
  // The validator's own handler is the validator's: a worker ends on SIGTERM as any process does.
  std::signal(SIGTERM, SIG_DFL);
  // A validator that dies without ending its workers takes them with it.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() == 1) _exit(3);  // the validator was gone already
}

WorkerProcess::WorkerProcess(const RunSetup& setup) {
  try {
    vexhost::Session session(vexhost::SessionOptions{setup.ResourceDirs});
    vexhost::Session::LoadModule(setup.Module);
  } catch (const std::runtime_error& error) {
    Complain(std::string("vexhost validate: a worker cannot load the module: ") + error.what() + "\n");
    _exit(4);
  }
  // What the module wrote at load is the probe's to report.
  _Output.Take();
  _Baseline = std::make_unique<vexdrive::ProcessBaseline>();
}

WorkerProcess::Effects WorkerProcess::AfterCase() {
  Effects effects{_Output.Take(), false};
  if (_Baseline->Unchanged()) return effects;
  for (auto& change : _Baseline->Changes()) effects.Findings.push_back({kind::ProcessHygiene, std::move(change)});
  effects.Untrustworthy = !_Baseline->Restore();
  return effects;
}

}  // namespace vexvalidator
