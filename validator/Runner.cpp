#include "Runner.h"

#include <cxxabi.h>

#include <memory>
#include <set>
#include <sstream>

#include "Actions.h"
#include "CaseRecorder.h"
#include "drive/Desk.h"
#include "drive/Script.h"
#include "vexhost/Session.h"
#include "vexhost/Snapshot.h"

namespace vexvalidator {

namespace {

void Append(std::vector<Finding>& to, std::vector<Finding> more) {
  to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

// The C++ type of the exception being handled, readable.
std::string CurrentExceptionType() {
  const std::type_info* type = abi::__cxa_current_exception_type();
  if (type == nullptr) return "an unknown type";
  int status = 0;
  char* demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
  std::string name = status == 0 && demangled != nullptr ? demangled : type->name();
  std::free(demangled);
  return name;
}

bool AnythingShown(vexhost::Session& session) {
  for (VexDialog* dialog : session.OpenDialogs()) {
    if (vexhost::Snapshot(*dialog).Visible) return true;
  }
  return false;
}

// The name in an accounting label "Class 'name'".
std::string NameInLabel(const std::string& label) {
  const auto open = label.find('\'');
  const auto close = label.rfind('\'');
  return open == std::string::npos || close <= open ? label : label.substr(open + 1, close - open - 1);
}

// What belongs to a dialog still alive: its widgets and their notifications ("Panel.OK"). Those die
// with it, so a dialog left alive is reported once, not once for each of its parts.
void CollectParts(const vexhost::WidgetView& widget, bool isPart, std::set<std::string>& names,
                  std::vector<std::string>& prefixes) {
  if (isPart) names.insert(widget.Name);
  prefixes.push_back(widget.Name + ".");
  for (const auto& child : widget.Children) CollectParts(child, true, names, prefixes);
}

bool IsPartOfLiveDialog(const std::string& name, const std::set<std::string>& names,
                        const std::vector<std::string>& prefixes) {
  if (names.count(name) != 0) return true;
  for (const auto& prefix : prefixes) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

}  // namespace

std::vector<Finding> CheckBeforeEnd(vexhost::Session& session, bool mustShow) {
  if (!mustShow || session.RunningCommand() == nullptr || AnythingShown(session)) return {};
  return {{kind::InvisibleWait, "the command runs with nothing shown: a person can neither see nor end it"}};
}

std::vector<Finding> CheckAccounting(vexhost::Session& session) {
  std::vector<Finding> findings;
  const vexhost::AccountingReport report = session.Accounting();
  std::set<std::string> parts;
  std::vector<std::string> prefixes;
  if (!report.Live.empty()) {
    for (VexDialog* dialog : session.OpenDialogs()) CollectParts(vexhost::Snapshot(*dialog), false, parts, prefixes);
  }
  for (const auto& live : report.Live) {
    if (IsPartOfLiveDialog(NameInLabel(live), parts, prefixes)) continue;
    findings.push_back({kind::Leak, "left alive after the command ended: " + live});
  }
  for (const auto& unbalanced : report.Unbalanced) findings.push_back({kind::UnbalancedReference, unbalanced});
  for (const auto& released : report.OverReleases) findings.push_back({kind::OverRelease, released});
  for (const auto& violation : report.Violations) findings.push_back({kind::DeadObject, violation});
  return findings;
}

CaseOutcome RunCase(const RunSetup& setup, RunRequest& request) {
  CaseOutcome outcome;
  // After a C++ exception the host is left in the middle of a call: the session and the desk are
  // then abandoned, not destroyed, and the process ends after reporting.
  auto session = std::make_unique<vexhost::Session>(vexhost::SessionOptions{setup.ResourceDirs});
  std::unique_ptr<vexdrive::Desk> desk;
  std::string crossed;
  try {
    session->OpenDocument(setup.Document);
    desk = std::make_unique<vexdrive::Desk>(*session);
    std::ostream quiet(nullptr);
    std::ostringstream refusals;
    vexdrive::Script script(*desk, quiet, refusals, false);
    // Without a current editor a command may have nothing to show (the host cancels such a
    // command when the user goes on); started with one, a command that waits must show something.
    bool startedWithEditor = false;
    auto run = [&](const std::string& line, int index) {
      if (request.Monitor) request.Monitor(index);
      if (request.Recorder) request.Recorder->LineBegins(*session);
      if (line.rfind("start ", 0) == 0) startedWithEditor = session->DocumentView().ActivePath.has_value();
      std::istringstream in(line);
      script.Run(in, "case");
      ++outcome.LinesRun;
      return !script.Stopped();
    };
    bool going = true;
    int index = 0;
    for (const auto& line : request.Lines) {
      if (!(going = run(line, index++))) break;
    }
    for (std::string line; going && request.Next && !(line = request.Next(*session, index)).empty();) {
      request.Lines.push_back(line);
      going = run(line, index++);
    }
    outcome.Stopped = !going;
    // The checks at the end count as the line after the last.
    if (request.Monitor) request.Monitor(index);
    if (request.Recorder) request.Recorder->StepsDone(*session, *desk);
    if (request.Look) {
      outcome.Fingerprint = StateFingerprint(*session);
      outcome.Running = session->RunningCommand() != nullptr;
      if (going) outcome.Actions = PossibleActions(*session);
    }
    outcome.FaultMet = session->Faults().FaultsInjected() > 0;
    outcome.Allocations = session->Faults().AllocationsSeen();
    outcome.BoundaryCalls = static_cast<int>(session->GetJournal().Size());
    Append(outcome.Findings, CheckBeforeEnd(*session, !request.FaultArmed && startedWithEditor));
    // As when the document closes: a command still running is cancelled and destroyed.
    if (request.Recorder) request.Recorder->EndBegins(*session);
    desk->EndRun();
    Append(outcome.Findings, CheckAccounting(*session));
    if (request.Recorder) request.Recorder->Ended(*session, outcome.Findings, outcome.Stopped);
    desk.reset();
  } catch (const std::exception& error) {
    crossed = "a C++ exception crossed the boundary: " + CurrentExceptionType() + ": " + error.what();
  } catch (...) {
    crossed = "a C++ exception crossed the boundary: " + CurrentExceptionType();
  }
  if (!crossed.empty()) {
    outcome.Findings.push_back({kind::Exception, crossed});
    if (request.Recorder) request.Recorder->Abandoned(outcome.Findings);
    (void)desk.release();
    (void)session.release();
    outcome.Fatal = true;
    return outcome;
  }
  session.reset();
  if (vexhost::Session::LiveObjects() > 0) {
    outcome.Findings.push_back({kind::OutlivesSession, "host objects outlived the session that made them"});
    outcome.Fatal = true;
  }
  return outcome;
}

}  // namespace vexvalidator
