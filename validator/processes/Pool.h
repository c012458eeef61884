// The worker processes: forked from this process after the module is loaded, two or more at a
// time, each running jobs under a time limit for each case. A worker that dies (a signal, an abort,
// an exit of the module's own) or whose case runs longer than the limit is reported with the case and
// the line it was running, then replaced, and the rest of its job goes on in the new worker. So is
// a worker that sends a line that is no message, or a message out of its place.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Messages.h"
#include "Slot.h"

namespace vexvalidator {

class Pool {
 public:
  using Clock = std::chrono::steady_clock;
  // Runs in the forked worker and never returns.
  using WorkerMain = std::function<void(int in, int out, Slot& slot)>;

  struct Death {
    // "signal SIGSEGV (Segmentation fault)", "no answer within 2000 ms", "the worker sent a malformed message ..."
    std::string How;
    bool TimedOut = false;
    int N = 0;                          // the case of the job during which it happened
    int Line = -1;                      // the line of that case; its number of lines: the end-of-path checks
    std::vector<std::string> Streamed;  // the lines a random sequence had chosen so far
    std::string Extra;                  // a line run after the case's own lines, when one was
  };

  struct Handlers {
    std::function<void(const Job&, const CaseResult&)> OnResult;
    // Cases of a sweep that found nothing, those of them that were refused a line, and their time.
    std::function<void(const Job&, const CleanMessage&)> OnClean;
    std::function<void(const Job&)> OnDone;                          // a job is over, also when its worker died
    std::function<void(const Job&, const RecordMessage&)> OnRecord;  // canonical records, when the job asked
    // Returns whether the rest of the job (a sweep's further fault points) is still to run.
    std::function<bool(const Job&, const Death&)> OnDeath;
    std::function<void()> OnTick;       // about ten times a second
    std::function<void(Job&)> Prepare;  // just before a job is handed to a worker
    // Asked as often: true stops the run at once, the jobs queued and running left undone.
    std::function<bool()> ShouldStop;
  };

  Pool(int workers, std::chrono::milliseconds limit, WorkerMain main);
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;
  ~Pool();

  // Queues a job; lower priorities go first, jobs of one priority in the order submitted.
  void Submit(Job job, int priority);
  // Runs until no job is queued or running, or until ShouldStop. Handlers may submit more jobs.
  // Returns false when it was stopped; the workers then end with the pool.
  bool Run(const Handlers& handlers);
  int Restarts() const { return _Restarts; }

 private:
  struct Worker {
    pid_t Pid = 0;
    int ToChild = -1;
    int FromChild = -1;
    std::string Buffer;
    std::optional<Job> Current;
    int Priority = 0;
    int LastN = 0;         // the last case reported
    bool Leaving = false;  // its last result said it leaves
    bool LastMet = false;  // its last result met its fault: a sweep goes on past it
    std::vector<std::string> Streamed;
    unsigned LastBeat = 0;
    Clock::time_point LastMoved;
  };

  void Spawn(std::size_t index);
  void Dispatch(const Handlers& handlers);
  bool Busy() const;
  void Read(std::size_t index, const Handlers& handlers);
  bool Take(std::size_t index, const std::string& line, const Handlers& handlers);
  void PutDown(std::size_t index, const std::string& how, const Handlers& handlers);
  void Bury(std::size_t index, const std::string& how, bool timedOut, const Handlers& handlers);
  void WatchTime(const Handlers& handlers);

  std::vector<Worker> _Workers;
  SharedSlots _Slots;
  std::chrono::milliseconds _Limit;
  WorkerMain _Main;
  std::map<int, std::deque<Job>> _Queue;
  int _Restarts = 0;
};

}  // namespace vexvalidator
