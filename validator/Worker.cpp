#include "Worker.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "Actions.h"
#include "CaseRecorder.h"
#include "Faults.h"
#include "Overloaded.h"
#include "Processes.h"
#include "RandomSource.h"
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

CaseResult ToResult(int n, const CaseOutcome& outcome) {
  CaseResult result;
  result.N = n;
  result.Met = outcome.FaultMet;
  result.Stopped = outcome.Stopped;
  result.Fatal = outcome.Fatal;
  result.Findings = outcome.Findings;
  result.Fingerprint = outcome.Fingerprint;
  result.Running = outcome.Running;
  result.Actions = outcome.Actions;
  return result;
}

// Reports the case; leaves when the process can no longer be trusted.
void Report(int out, const CaseResult& result) {
  Send(out, result);
  if (result.Fatal) _exit(0);
}

LineMonitor Monitor(Slot& slot) {
  return [&slot](int index) { slot.BeginLine(index); };
}

void Explore(const Job& job, const ExplorationJob& work, int out, Slot& slot, const RunSetup& setup) {
  slot.BeginCase(0);
  RunRequest request{job.Steps, work.Look, false, {}, Monitor(slot)};
  std::optional<CaseRecorder> recorder;
  if (job.Record) request.Recorder = &recorder.emplace(setup.Document, true);
  const CaseResult result = ToResult(0, RunCase(setup, request));
  if (recorder) Send(out, RecordMessage{{0}, recorder->Record(), {}});
  Report(out, result);
}

void Sweep(const Job& job, const SweepJob& work, int out, Slot& slot, const RunSetup& setup) {
  const FaultFamily& family = FaultFamilies().at(static_cast<std::size_t>(work.Family));
  const std::set<int> skip(work.Skip.begin(), work.Skip.end());
  int clean = 0;
  std::vector<int> stopped;
  std::map<std::string, RecordMessage> outcomes;  // when recording: the cases that ended so, not yet told
  auto tellClean = [&] {
    for (const auto& [outcome, record] : outcomes) Send(out, record);
    outcomes.clear();
    if (clean > 0) Send(out, CleanMessage{clean, stopped});
    clean = 0;
    stopped.clear();
  };
  for (int n = work.From; n <= work.Last; ++n) {
    if (skip.count(n) != 0) continue;
    slot.BeginCase(n);
    RunRequest request{{family.Line(n)}, false, true, {}, Monitor(slot)};
    request.Lines.insert(request.Lines.end(), job.Steps.begin(), job.Steps.end());
    std::optional<CaseRecorder> recorder;
    if (job.Record) request.Recorder = &recorder.emplace(setup.Document, false);
    const CaseResult result = ToResult(n, RunCase(setup, request));
    if (recorder) {
      RecordMessage& record = outcomes[recorder->Record().Outcome];
      record.Record.Outcome = recorder->Record().Outcome;
      record.Cases.push_back(n);
      record.Calls.push_back(recorder->Record().Calls);
    }
    // The sweep ends with the first run that meets no fault: past the path's last fault point.
    if (result.Met && result.Findings.empty() && !result.Fatal) {
      if (result.Stopped) stopped.push_back(n);
      if (++clean == CleanBatch) tellClean();
      continue;
    }
    tellClean();
    Report(out, result);
    if (!result.Met) return;
  }
  tellClean();
}

// A random sequence: lines chosen as it runs, then the same lines again under one random fault.
void Random(const Job& job, const RandomJob& work, int out, Slot& slot, const RunSetup& setup) {
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
  RunRequest chosen{{}, false, false, {}, Monitor(slot)};
  chosen.Next = [&](vexhost::Session& session, int index) -> std::string {
    std::string line;
    if (index == 0) {
      line = "start " + job.Command;
    } else if (index < length) {
      std::vector<std::string> options = PossibleActions(session);
      // Mostly what the dialogs offer; now and then what the host lets a person do besides.
      if (options.empty() || random.Below(5) == 0) options = hostActions;
      std::erase_if(options, avoided);
      if (!options.empty()) line = options[random.Below(options.size())];
    }
    if (!line.empty()) Send(out, StepMessage{line});
    return line;
  };
  CaseOutcome outcome = RunCase(setup, chosen);
  CaseResult first = ToResult(0, outcome);
  first.Lines = chosen.Lines;
  Report(out, first);
  if (!first.Findings.empty() || first.Stopped) return;

  const auto& families = FaultFamilies();
  const FaultFamily& family = families[random.Below(families.size())];
  // A status fault counts the calls of one operation only: a few of those are all a run makes.
  constexpr int StatusCalls = 3;
  const int points = family.What == FaultFamily::Kind::Allocation ? outcome.Allocations
                     : family.What == FaultFamily::Kind::Status   ? StatusCalls
                                                                  : outcome.BoundaryCalls;
  const int nth = 1 + static_cast<int>(random.Below(static_cast<std::uint64_t>(std::max(points, 1))));
  slot.BeginCase(1);
  RunRequest faulted{{family.Line(nth)}, false, true, {}, Monitor(slot)};
  faulted.Lines.insert(faulted.Lines.end(), chosen.Lines.begin(), chosen.Lines.end());
  for (const auto& line : faulted.Lines) Send(out, StepMessage{line});
  CaseResult second = ToResult(1, RunCase(setup, faulted));
  second.Lines = faulted.Lines;
  Report(out, second);
}

// A line that is no job: this worker and the validator do not speak the same messages, and no
// case it would run could be trusted.
Job Read(const std::string& line) {
  try {
    return DecodeJob(line);
  } catch (const MessageError& error) {
    std::fprintf(stderr, "vexhost validate: a worker was handed no job it knows: %s\n", error.what());
    _exit(3);
  }
}

}  // namespace

std::vector<std::string> HostActions(const std::string& command, const RandomJob& work) {
  std::vector<std::string> actions{"start " + command, "interrupt", "noeditor"};
  for (const auto& product : work.Products) actions.push_back("active " + product);
  return actions;
}

void ServeJobs(int in, int out, Slot& slot, const RunSetup& setup) {
  std::FILE* input = ::fdopen(in, "r");
  if (input == nullptr) _exit(3);
  for (std::string line; ReadLine(input, line);) {
    const Job job = Read(line);
    std::visit(Overloaded{
                   [&](const ExplorationJob& work) { Explore(job, work, out, slot, setup); },
                   [&](const SweepJob& work) { Sweep(job, work, out, slot, setup); },
                   [&](const RandomJob& work) { Random(job, work, out, slot, setup); },
               },
               job.Work);
    slot.BeginLine(-1);
    Send(out, DoneMessage{});
  }
  _exit(0);
}

}  // namespace vexvalidator
