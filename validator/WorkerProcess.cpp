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

std::vector<Finding> WorkerProcess::AfterCase() {
  std::vector<Finding> findings = _Output.Take();
  if (_Baseline->Unchanged()) return findings;
  for (auto& change : _Baseline->Changes()) findings.push_back({kind::ProcessHygiene, std::move(change)});
  return findings;
}

}  // namespace vexvalidator
