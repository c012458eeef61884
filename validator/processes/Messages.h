// The messages between the validator and its worker processes, one JSON object a line, each
// naming its type: the job handed to a worker, and what the worker tells back while and after it
// runs the job's cases. A line that is not one of these messages is refused with a MessageError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "validator/case/Case.h"
#include "validator/case/CaseRecorder.h"
#include "validator/case/Coverage.h"

namespace vexvalidator {

// Runs a path once; when asked, reports the state reached and what a person could do there.
struct ExplorationJob {
  bool Look = false;
  std::size_t Path = 0;  // the explorer's number of the path; kept by the validator, not sent
  // Whether its record is part of the approved behaviour: the exploration's own paths are, its
  // repeated presses and its searches for a way out are not. Kept by the validator, not sent.
  bool Approvable = true;
};

// Runs a path under the nth fault of a family, for n = From, From + 1, ... until a run meets no
// fault or n passes Last.
struct SweepJob {
  int Family = 0;
  int From = 1;
  int Last = 1;
  // Fault points not to run: there a shorter path's run was refused a line, so this path's run
  // would be the same run, refused at the same line.
  std::vector<int> Skip;
};

// A random sequence: lines chosen as it runs, then the same lines under one random fault.
struct RandomJob {
  std::uint64_t Seed = 0;
  int Index = 0;                      // its number, which with the seed decides its choices
  int Length = 0;                     // its greatest length
  std::vector<std::string> Products;  // paths of products a person may make active
  std::vector<std::string> Avoid;     // lines that hung before
  std::size_t Test = 0;               // its test in the validator's book; kept by the validator, not sent
};

struct Job {
  std::string Command;
  std::vector<std::string> Steps;  // the path's script lines (exploration, sweep)
  std::variant<ExplorationJob, SweepJob, RandomJob> Work;
  bool Record = false;  // tell the canonical record of each case (exploration, sweep)
};

// A line a random sequence chose, told before it runs, so that a crash can name the lines so far.
struct StepMessage {
  std::string Line;
};

// Cases of a sweep that found nothing, and those of them that were refused a line.
struct CleanMessage {
  int Cases = 0;
  std::vector<int> Stopped;
  double Seconds = 0;  // how long they took together
};

// The job is over: the worker waits for the next.
struct DoneMessage {};

// Canonical records, when the job asks for them: a path's whole record (case 0), or the outcome
// that cases of a sweep reached (the record's outcome alone), with those cases and, for each, the
// digest of its calls.
struct RecordMessage {
  std::vector<int> Cases;
  CaseRecord Record;
  std::vector<std::uint64_t> Calls;  // a sweep's: one for each of Cases
};

using WorkerMessage = std::variant<StepMessage, CleanMessage, CaseResult, DoneMessage, RecordMessage>;

class MessageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Each encoding is one line, its new line included; a decoder takes the line with or without it
// and throws MessageError when the line is not JSON or not a well-formed message of a known type.
std::string EncodeJob(const Job& job);
Job DecodeJob(const std::string& line);
std::string EncodeMessage(const WorkerMessage& message);
WorkerMessage DecodeMessage(const std::string& line);

}  // namespace vexvalidator
