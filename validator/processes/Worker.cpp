#include "Worker.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "Processes.h"
#include "WorkerProcess.h"
#include "validator/case/Actions.h"
#include "validator/case/CaseRecorder.h"
#include "validator/case/FaultedWayOut.h"
#include "validator/case/Faults.h"
#include "validator/case/History.h"
#include "validator/case/Overloaded.h"
#include "validator/case/RandomSource.h"
#include "vexhost/Session.h"

namespace vexvalidator {

namespace {

void Send(int out, const WorkerMessage& message) {
  // Without the validator there is nobody to work for.
  if (!WriteAll(out, EncodeMessage(message))) _exit(3);
}

bool ReadLine(std::FILE* in, std::string& line) {
  line.clear();
  for (int c; (c = std::fgetc(in)) != EOF;) {
    if (c == '\n') return true;
    line += static_cast<char>(c);
  }
  return !line.empty();
}

// Reports the case; leaves when the process can no longer be trusted.
void Report(int out, const CaseResult& result) {
  Send(out, result);
  if (result.Fatal) _exit(0);
}

// Marks in the shared slot the line a case is at, so that a crash or hang names it.
class SlotMonitor : public CaseObserver {
 public:
  explicit SlotMonitor(Slot& slot) : _Slot(slot) {}
  void LineBegins(vexhost::Session& /*session*/, int index) override { _Slot.BeginLine(index); }
  void ChecksBegin(int index) override { _Slot.BeginLine(index); }

 private:
  Slot& _Slot;
};

bool HasSlowStep(const CaseResult& outcome) {
  return std::any_of(outcome.Findings.begin(), outcome.Findings.end(),
                     [](const Finding& finding) { return finding.Kind == kind::Slow; });
}

// A slow step counts only when the same lines, run again, are slow at the same step: a machine
// busy with other work is no module's fault.
void ConfirmSlowSteps(const RunSetup& setup, const RunRequest& request, CaseResult& outcome, Slot& slot) {
  SlotMonitor monitor(slot);
  RunRequest again{.Lines = request.Lines, .FaultArmed = request.FaultArmed, .Observer = &monitor};
  slot.BeginCase(slot.Case);  // the case's time starts again with its second run
  const CaseResult second = RunCase(setup, again);
  std::erase_if(outcome.Findings, [&](const Finding& finding) {
    return finding.Kind == kind::Slow &&
           std::find(second.Findings.begin(), second.Findings.end(), finding) == second.Findings.end();
  });
  outcome.Fatal = outcome.Fatal || second.Fatal;
}

// Runs a case, then checks what it did to the process: whatever it changed is a finding, and
// what cannot be put back leaves this process untrustworthy for another case.
CaseResult Run(int n, const RunSetup& setup, RunRequest& request, Slot& slot, WorkerProcess& process) {
  CaseResult outcome;
  {
    const vexdrive::OpenWatch watching(process.Watch());
    outcome = RunCase(setup, request);
  }
  outcome.N = n;
  WorkerProcess::Effects effects = process.AfterCase();
  if (HasSlowStep(outcome) && !outcome.Fatal && !effects.Untrustworthy) {
    ConfirmSlowSteps(setup, request, outcome, slot);
    const WorkerProcess::Effects again = process.AfterCase();
    effects.Untrustworthy = again.Untrustworthy;
  }
  outcome.Findings.insert(outcome.Findings.end(), effects.Findings.begin(), effects.Findings.end());
  outcome.Fatal = outcome.Fatal || effects.Untrustworthy;
  return outcome;
}

void Explore(const Job& job, const ExplorationJob& work, int out, Slot& slot, const RunSetup& setup,
             WorkerProcess& process) {
  slot.BeginCase(0);
  SlotMonitor monitor(slot);
  std::optional<CaseRecorder> recorder;
  const bool started = !job.Steps.empty() && LineIs(job.Steps.back(), vexdrive::ActionVerb::Start);
  if (job.Record) recorder.emplace(setup.Document, true, started);
  JournalTaker first;
  Observers observers({&monitor, recorder ? &*recorder : nullptr, &first});
  RunRequest request{.Lines = job.Steps, .Look = work.Look, .Watch = true, .Observer = &observers};
  CaseResult result = Run(0, setup, request, slot, process);
  // The same path again in this process, which ran it before, and then twice in one session: what
  // the module keeps shows there.
  if (!result.Fatal) {
    std::optional<Finding> differs = SameAgain(setup, request, first.Calls());
    if (!differs) differs = SameInOneSession(setup, request, first.Calls());
    if (differs) result.Findings.push_back(std::move(*differs));
    const WorkerProcess::Effects effects = process.AfterCase();
    result.Findings.insert(result.Findings.end(), effects.Findings.begin(), effects.Findings.end());
    result.Fatal = effects.Untrustworthy;
  }
  if (recorder) Send(out, RecordMessage{{0}, recorder->Record(), {}});
  Report(out, result);
}

// After a case whose fault fired once in its last line and left the command waiting with windows
// shown: each way out pressed in a run of its own, the same lines before it. The first that nothing
// answers becomes the case's finding, and the case's lines those of its run.
// Returns how many runs it made.
int PressWaysOut(const FaultFamily& family, const RunRequest& request, const std::vector<std::string>& ways,
                 CaseResult& result, Slot& slot, const RunSetup& setup, WorkerProcess& process) {
  int runs = 0;
  for (const auto& way : ways) {
    ++runs;
    SlotMonitor monitor(slot);
    PressAnswer answer(static_cast<int>(request.Lines.size()));
    Observers observers({&monitor, &answer});
    RunRequest pressed{.Lines = request.Lines, .FaultArmed = true, .Observer = &observers};
    pressed.Lines.push_back(way);
    slot.NoteExtraLine(way);  // a crash or hang from here on happened with the press
    const CaseResult outcome = Run(result.N, setup, pressed, slot, process);
    slot.NoteExtraLine({});
    if (outcome.Fatal) {
      result.Fatal = true;  // this process can no longer be trusted with another case
      return runs;
    }
    if (!outcome.Stopped && answer.Dead()) {
      const int step = static_cast<int>(pressed.Lines.size()) - 1;
      result.Findings.push_back(DeadAfterFault(family.Name(), result.N, way, step));
      result.Lines = std::move(pressed.Lines);
      return runs;
    }
  }
  return runs;
}

void Sweep(const Job& job, const SweepJob& work, int out, Slot& slot, const RunSetup& setup, WorkerProcess& process) {
  const FaultFamily& family = FaultFamilies().at(static_cast<std::size_t>(work.Family));
  const std::set<int> skip(work.Skip.begin(), work.Skip.end());
  int clean = 0;
  std::vector<int> stopped;
  double seconds = 0;
  std::map<std::string, RecordMessage> outcomes;  // when recording: the cases that ended so, not yet told
  auto tellClean = [&] {
    for (const auto& [outcome, record] : outcomes) Send(out, record);
    outcomes.clear();
    if (clean > 0) Send(out, CleanMessage{clean, stopped, seconds});
    clean = 0;
    stopped.clear();
    seconds = 0;
  };
  for (int n = work.From; n <= work.Last; ++n) {
    if (skip.count(n) != 0) continue;
    slot.BeginCase(n);
    SlotMonitor monitor(slot);
    std::optional<CaseRecorder> recorder;
    if (job.Record) recorder.emplace(setup.Document, false);
    // Only a fault that fires once leaves a press after it to be answered.
    const bool once = family.When == vexdrive::FaultWhen::Once;
    FaultedEnding ending(static_cast<int>(job.Steps.size()));
    Observers observers({&monitor, recorder ? &*recorder : nullptr, once ? &ending : nullptr});
    RunRequest request{.Lines = {family.Line(n)}, .FaultArmed = true, .Observer = &observers};
    request.Lines.insert(request.Lines.end(), job.Steps.begin(), job.Steps.end());
    CaseResult result = Run(n, setup, request, slot, process);
    if (result.FaultMet && result.Findings.empty() && !result.Fatal && !result.Stopped && !ending.WaysOut().empty()) {
      // Counted among the sweep's clean cases: each is a case run.
      clean += PressWaysOut(family, request, ending.WaysOut(), result, slot, setup, process);
    }
    if (recorder) {
      RecordMessage& record = outcomes[recorder->Record().Outcome];
      record.Record.Outcome = recorder->Record().Outcome;
      record.Cases.push_back(n);
      record.Calls.push_back(recorder->Record().Calls);
    }
    // The sweep ends with the first run that meets no fault: past the path's last fault point.
    if (result.FaultMet && result.Findings.empty() && !result.Fatal) {
      if (result.Stopped) stopped.push_back(n);
      seconds += result.Seconds;
      if (++clean >= CleanBatch) tellClean();
      continue;
    }
    tellClean();
    Report(out, result);
    if (!result.FaultMet) return;
  }
  tellClean();
}

// A random sequence: lines chosen as it runs, then the same lines again under one random fault.
void Random(const Job& job, const RandomJob& work, int out, Slot& slot, const RunSetup& setup, WorkerProcess& process) {
  RandomSource random(work.Seed, static_cast<std::uint64_t>(work.Index));
  const std::vector<std::string> hostActions = HostActions(job.Command, work);
  auto avoided = [&](const std::string& line) {
    for (const auto& avoid : work.Avoid) {
      if (avoid == line) return true;
    }
    return false;
  };
  // Sequences of every length up to the greatest, the command's start included.
  const int length = 2 + static_cast<int>(random.Below(static_cast<std::uint64_t>(std::max(work.Length - 1, 1))));
  slot.BeginCase(0);
  SlotMonitor monitor(slot);
  RunRequest chosen{.Watch = true, .Observer = &monitor};
  chosen.Next = [&](vexhost::Session& session, const Scene& scene, int index) -> std::string {
    std::string line;
    if (index == 0) {
      line = StartLine(job.Command);
    } else if (index < length) {
      std::vector<std::string> options = PossibleLines(session, scene);
      // Mostly what the dialogs offer; now and then what the host lets a person do besides.
      if (options.empty() || random.Below(5) == 0) options = hostActions;
      std::erase_if(options, avoided);
      if (!options.empty()) line = options[random.Below(options.size())];
    }
    if (!line.empty()) Send(out, StepMessage{line});
    return line;
  };
  CaseResult first = Run(0, setup, chosen, slot, process);
  first.Lines = chosen.Lines;
  Report(out, first);
  if (!first.Findings.empty() || first.Stopped) return;

  const auto& families = FaultFamilies();
  const FaultFamily& family = families[random.Below(families.size())];
  // A status fault counts the calls of one operation only: a few of those are all a run makes.
  constexpr int StatusCalls = 3;
  const bool oneOperation = family.What == FaultFamily::Kind::Status || family.What == FaultFamily::Kind::EmptyAnswer;
  const int points = family.What == FaultFamily::Kind::Allocation ? first.Allocations
                     : oneOperation                               ? StatusCalls
                                                                  : first.BoundaryCalls;
  const int nth = 1 + static_cast<int>(random.Below(static_cast<std::uint64_t>(std::max(points, 1))));
  slot.BeginCase(1);
  RunRequest faulted{.Lines = {family.Line(nth)}, .FaultArmed = true, .Observer = &monitor};
  faulted.Lines.insert(faulted.Lines.end(), chosen.Lines.begin(), chosen.Lines.end());
  for (const auto& line : faulted.Lines) Send(out, StepMessage{line});
  CaseResult second = Run(1, setup, faulted, slot, process);
  second.Lines = faulted.Lines;
  Report(out, second);
}

// A line that is no job: this worker and the validator do not speak the same messages, and no
// case it would run could be trusted.
Job Read(const std::string& line, const WorkerProcess& process) {
  try {
    return DecodeJob(line);
  } catch (const MessageError& error) {
    process.Complain(std::string("vexhost validate: a worker was handed no job it knows: ") + error.what() + "\n");
    _exit(3);
  }
}

}  // namespace

std::vector<std::string> HostActions(const std::string& command, const RandomJob& work) {
  using vexdrive::Action;
  std::vector<std::string> actions;
  for (const Action& action : {Action::Start(command, vexdrive::Writing::AsTyped), Action::Interrupt(),
                               Action::Reactivate(), Action::NoEditor()}) {
    actions.push_back(vexdrive::ActionLine(action));
  }
  for (const auto& product : work.Products) {
    actions.push_back(vexdrive::ActionLine(Action::Active(product, vexdrive::Writing::AsTyped)));
  }
  return actions;
}

void ServeJobs(int in, int out, Slot& slot, const RunSetup& setup) {
  // The module is loaded here, in the worker, never in the validator's own process.
  WorkerProcess process(setup);
  std::FILE* input = ::fdopen(in, "r");
  if (input == nullptr) _exit(3);
  for (std::string line; ReadLine(input, line);) {
    const Job job = Read(line, process);
    std::visit(Overloaded{
                   [&](const ExplorationJob& work) { Explore(job, work, out, slot, setup, process); },
                   [&](const SweepJob& work) { Sweep(job, work, out, slot, setup, process); },
                   [&](const RandomJob& work) { Random(job, work, out, slot, setup, process); },
               },
               job.Work);
    slot.BeginLine(-1);
    Send(out, DoneMessage{});
  }
  _exit(0);
}

}  // namespace vexvalidator
