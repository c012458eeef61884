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
  // A host does not ignore SIGPIPE (the validator does, for its pipes): a module that does is seen.
  std::signal(SIGPIPE, SIG_DFL);
  // A validator that dies without ending its workers takes them with it.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() == 1) _exit(3);  // the validator was gone already
}

WorkerProcess::WorkerProcess(const RunSetup& setup)
    : _Watch(setup.WatchCalls ? vexdrive::SystemWatch::OfProcess() : nullptr) {
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

std::vector<Finding> ReachFindings(const std::vector<std::string>& seen) {
  std::vector<Finding> findings;
  findings.reserve(seen.size());
  for (const auto& call : seen) findings.emplace_back(kind::Reach, call);
  return findings;
}

WorkerProcess::Effects WorkerProcess::AfterCase() {
  const std::vector<std::string> seen = _Watch != nullptr ? _Watch->Take() : std::vector<std::string>();
  // With a watch, a case that made no call it catches changed neither the umask nor a signal's
  // disposition; one that did is compared in full (a disposition set counts only when it is
  // still in place).
  const bool unchanged = _Watch != nullptr ? seen.empty() && _Baseline->Unchanged(false) : _Baseline->Unchanged();
  const std::vector<std::string> changes = unchanged ? std::vector<std::string>() : _Baseline->Changes();
  const std::vector<std::string> reached = vexdrive::LeftInPlace(seen, changes);
  Effects effects{ReachFindings(reached), false};
  for (auto& output : _Output.Take()) effects.Findings.push_back(std::move(output));
  if (unchanged) return effects;
  for (auto& change : vexdrive::NotSeenByWatch(changes, reached)) {
    effects.Findings.push_back({kind::ProcessHygiene, std::move(change)});
  }
  effects.Untrustworthy = !_Baseline->Restore();
  return effects;
}

}  // namespace vexvalidator
