#include "Runner.h"

#include <cxxabi.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "Actions.h"
#include "StepWatch.h"
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

// Times one step at a time against a bound; without a bound, reads no clock.
class Timer {
 public:
  explicit Timer(int slowMs) : _SlowMs(slowMs) {}
  void Begin() {
    if (_SlowMs > 0) _Began = std::chrono::steady_clock::now();
  }
  bool Slow() const {
    return _SlowMs > 0 && std::chrono::steady_clock::now() - _Began > std::chrono::milliseconds(_SlowMs);
  }

 private:
  int _SlowMs;
  std::chrono::steady_clock::time_point _Began;
};

// Whether the accounting already named what this case left alive: objects that outlive the session
// then follow from that fault, and are no finding of their own.
bool HasAccountingFinding(const std::vector<Finding>& findings) {
  return std::any_of(findings.begin(), findings.end(), [](const Finding& finding) {
    return finding.Kind == kind::Leak || finding.Kind == kind::UnbalancedReference;
  });
}

}  // namespace

void Observers::LineBegins(vexhost::Session& session, int index) {
  for (CaseObserver* each : _Each) {
    if (each != nullptr) each->LineBegins(session, index);
  }
}

void Observers::ChecksBegin(int index) {
  for (CaseObserver* each : _Each) {
    if (each != nullptr) each->ChecksBegin(index);
  }
}

void Observers::StepsDone(vexhost::Session& session, vexdrive::Desk& desk) {
  for (CaseObserver* each : _Each) {
    if (each != nullptr) each->StepsDone(session, desk);
  }
}

void Observers::EndBegins(vexhost::Session& session) {
  for (CaseObserver* each : _Each) {
    if (each != nullptr) each->EndBegins(session);
  }
}

void Observers::Ended(vexhost::Session& session, const std::vector<Finding>& findings, bool stopped) {
  for (CaseObserver* each : _Each) {
    if (each != nullptr) each->Ended(session, findings, stopped);
  }
}

void Observers::Abandoned(const std::vector<Finding>& findings) {
  for (CaseObserver* each : _Each) {
    if (each != nullptr) each->Abandoned(findings);
  }
}

std::vector<Finding> CheckBeforeEnd(vexhost::Session& session, bool mustShow, const Scene* scene) {
  if (!mustShow || session.RunningCommand() == nullptr) return {};
  if (scene != nullptr ? scene->AnythingShown() : LookAt(session).AnythingShown()) return {};
  return {{kind::InvisibleWait, "the command runs with nothing shown: a person can neither see nor end it"}};
}

std::vector<Finding> CheckAccounting(vexhost::Session& session) {
  std::vector<Finding> findings;
  const vexhost::AccountingReport report = session.Accounting();
  std::set<std::string> parts;
  std::vector<std::string> prefixes;
  if (!report.Live.empty()) {
    for (const auto& window : LookAt(session).Windows) CollectParts(window, false, parts, prefixes);
  }
  for (const auto& live : report.Live) {
    if (IsPartOfLiveDialog(NameInLabel(live), parts, prefixes)) continue;
    findings.push_back({kind::Leak, "left alive after the command ended: " + live});
  }
  for (const auto& unbalanced : report.Unbalanced) findings.push_back({kind::UnbalancedReference, unbalanced});
  for (const auto& released : report.OverReleases) findings.push_back({kind::OverRelease, released});
  for (const auto& violation : report.Violations) findings.push_back({kind::DeadObject, violation});
  for (const auto& misuse : report.Misuses) findings.push_back({kind::HostMisuse, misuse});
  for (const auto& made : report.WrongClasses) findings.push_back({kind::WrongClass, made});
  for (const auto& call : report.OffThreadCalls) findings.push_back({kind::OffThreadCall, call});
  return findings;
}

Finding SlowStep(const std::string& line, int slowMs) {
  return {kind::Slow, "`" + line + "` took longer than " + std::to_string(slowMs) + " ms, longer than a person waits"};
}

CaseResult RunCase(const RunSetup& setup, RunRequest& request) {
  CaseResult outcome;
  const auto began = std::chrono::steady_clock::now();
  // After a C++ exception the host is left in the middle of a call: the session and the desk are
  // then abandoned, not destroyed, and the process ends after reporting.
  // Objects an earlier case left behind stay alive, adopted by the host: only what this case adds counts.
  const int aliveBefore = vexhost::Session::LiveObjects();
  auto session = std::make_unique<vexhost::Session>(vexhost::SessionOptions{setup.ResourceDirs});
  std::unique_ptr<vexdrive::Desk> desk;
  std::optional<StepWatch> watch;
  std::string crossed;
  try {
    session->OpenDocument(setup.Document);
    desk = std::make_unique<vexdrive::Desk>(*session);
    if (request.Watch) watch.emplace(*session, setup.KeepsApplied);
    std::ostream quiet(nullptr);
    std::ostringstream refusals;
    vexdrive::Script script(*desk, quiet, refusals, false);
    // Without a current editor a command may have nothing to show (the host cancels such a
    // command when the user goes on); started with one, a command that waits must show something.
    bool startedWithEditor = false;
    // Each step is timed as a person waits for it; a fault line is no step.
    Timer timer(setup.SlowMs);
    auto run = [&](const std::string& line, int index) {
      if (request.Observer) request.Observer->LineBegins(*session, index);
      if (LineIs(line, vexdrive::ActionVerb::Start)) startedWithEditor = session->DocumentView().ActivePath.has_value();
      if (watch) watch->Before(line);
      std::istringstream in(line);
      timer.Begin();
      script.Run(in, "case");
      if (timer.Slow() && !LineIs(line, vexdrive::ActionVerb::Fault))
        outcome.Findings.push_back(SlowStep(line, setup.SlowMs));
      ++outcome.LinesRun;
      if (watch) watch->After(line, index, !script.Stopped());
      return !script.Stopped();
    };
    bool going = true;
    int index = 0;
    for (const auto& line : request.Lines) {
      if (!(going = run(line, index++))) break;
    }
    while (going && request.Next) {
      const std::string line = request.Next(*session, watch ? watch->Now() : LookAt(*session), index);
      if (line.empty()) break;
      request.Lines.push_back(line);
      going = run(line, index++);
    }
    outcome.Stopped = !going;
    // The checks at the end count as the line after the last.
    if (request.Observer) request.Observer->ChecksBegin(index);
    // What the session shows at the end, looked at once for every check that reads it.
    std::optional<Scene> end;
    if (watch) end = watch->Now();
    if (request.Observer) request.Observer->StepsDone(*session, *desk);
    if (request.Look) {
      if (!end) end = LookAt(*session);
      outcome.Fingerprint = watch ? watch->Fingerprint() : StateFingerprint(*session, *end);
      outcome.Running = session->RunningCommand() != nullptr;
      if (going) outcome.Actions = PossibleLines(*session, *end);
      outcome.Shown = end->ShownWindows();
    }
    outcome.FaultMet = session->Faults().FaultsInjected() > 0;
    outcome.Allocations = session->Faults().AllocationsSeen();
    outcome.BoundaryCalls = static_cast<int>(session->GetJournal().Size());
    if (watch) {
      Append(outcome.Findings, std::move(watch->Findings()));
      outcome.Trail = watch->Trail();
      outcome.Coverage = watch->Coverage();
    }
    Append(outcome.Findings, CheckBeforeEnd(*session, !request.FaultArmed && startedWithEditor, end ? &*end : nullptr));
    // As when the document closes: a command still running is cancelled and destroyed.
    if (request.Observer) request.Observer->EndBegins(*session);
    desk->EndRun();
    Append(outcome.Findings, CheckAccounting(*session));
    if (request.Observer) request.Observer->Ended(*session, outcome.Findings, outcome.Stopped);
    desk.reset();
  } catch (const std::exception& error) {
    crossed = "a C++ exception crossed the boundary: " + CurrentExceptionType() + ": " + error.what();
  } catch (...) {
    crossed = "a C++ exception crossed the boundary: " + CurrentExceptionType();
  }
  if (!crossed.empty()) {
    outcome.Findings.push_back({kind::Exception, crossed});
    // Read from the abandoned session: whether the sweep goes on past this fault point.
    outcome.FaultMet = session->Faults().FaultsInjected() > 0;
    if (request.Observer) request.Observer->Abandoned(outcome.Findings);
    (void)desk.release();
    (void)session.release();
    outcome.Fatal = true;
    outcome.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return outcome;
  }
  session.reset();
  const int alive = vexhost::Session::LiveObjects();
  if (alive > aliveBefore && !HasAccountingFinding(outcome.Findings)) {
    outcome.Findings.push_back({kind::OutlivesSession, "host objects outlived the session that made them"});
  }
  // The host adopts what outlived its session, so the next case runs as well beside it; past a
  // bound the process is replaced rather than grow without end.
  if (alive > MostAdoptedObjects) outcome.Fatal = true;
  outcome.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  return outcome;
}

}  // namespace vexvalidator
