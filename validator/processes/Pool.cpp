#include "Pool.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "Processes.h"
#include "validator/case/Overloaded.h"

namespace vexvalidator {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// What is left of a job after case `after`: a sweep's further points.
std::optional<Job> Rest(const Job& job, int after) {
  const auto* sweep = std::get_if<SweepJob>(&job.Work);
  if (sweep == nullptr || after + 1 > sweep->Last) return std::nullopt;
  Job rest = job;
  std::get<SweepJob>(rest.Work).From = after + 1;
  return rest;
}

// Throws when a worker's message has no place now: every message belongs to a job, a clean count
// to a sweep, a chosen line to a random sequence.
void CheckPlace(const std::optional<Job>& current, const WorkerMessage& message) {
  if (!current) throw MessageError("a message while the worker has no job");
  if (std::holds_alternative<CleanMessage>(message) && !std::holds_alternative<SweepJob>(current->Work)) {
    throw MessageError("clean cases told outside a sweep");
  }
  if (std::holds_alternative<StepMessage>(message) && !std::holds_alternative<RandomJob>(current->Work)) {
    throw MessageError("a chosen line told outside a random sequence");
  }
  if (std::holds_alternative<RecordMessage>(message) && !current->Record) {
    throw MessageError("a record told for a job that asked for none");
  }
}

}  // namespace

Pool::Pool(int workers, std::chrono::milliseconds limit, WorkerMain main)
    : _Workers(static_cast<std::size_t>(workers)), _Slots(workers), _Limit(limit), _Main(std::move(main)) {
  // A worker that died must not take the validator with it when a job is written to it.
  std::signal(SIGPIPE, SIG_IGN);
}

Pool::~Pool() {
  for (Worker& worker : _Workers) {
    if (worker.Pid <= 0) continue;
    ::kill(worker.Pid, SIGKILL);
    ::waitpid(worker.Pid, nullptr, 0);
    CloseFd(worker.ToChild);
    CloseFd(worker.FromChild);
  }
}

void Pool::Submit(Job job, int priority) { _Queue[priority].push_back(std::move(job)); }

void Pool::Spawn(std::size_t index) {
  int toChild[2];
  int fromChild[2];
  if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) throw std::runtime_error("cannot make pipes for a worker");
  _Slots[static_cast<int>(index)].BeginCase(0);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("cannot start a worker process");
  if (pid == 0) {
    // Only this worker's own ends stay open, so that every pipe ends when its process does.
    for (Worker& other : _Workers) {
      CloseFd(other.ToChild);
      CloseFd(other.FromChild);
    }
    ::close(toChild[1]);
    ::close(fromChild[0]);
    _Main(toChild[0], fromChild[1], _Slots[static_cast<int>(index)]);
    _exit(0);
  }
  ::close(toChild[0]);
  ::close(fromChild[1]);
  Worker& worker = _Workers[index];
  worker = Worker();
  worker.Pid = pid;
  worker.ToChild = toChild[1];
  worker.FromChild = fromChild[0];
}

bool Pool::Busy() const {
  for (const Worker& worker : _Workers) {
    if (worker.Current) return true;
  }
  return false;
}

void Pool::Dispatch(const Handlers& handlers) {
  for (std::size_t i = 0; i < _Workers.size(); ++i) {
    while (!_Queue.empty() && _Queue.begin()->second.empty()) _Queue.erase(_Queue.begin());
    if (_Queue.empty()) return;
    Worker& worker = _Workers[i];
    if (worker.Current) continue;
    if (worker.Pid <= 0) Spawn(i);
    auto& [priority, jobs] = *_Queue.begin();
    worker.Current = std::move(jobs.front());
    worker.Priority = priority;
    jobs.pop_front();
    if (handlers.Prepare) handlers.Prepare(*worker.Current);
    worker.LastN = 0;
    worker.Streamed.clear();
    worker.LastBeat = _Slots[static_cast<int>(i)].Beat;
    worker.LastMoved = Clock::now();
    // A worker gone before it read its job is found at its end of file, and the job told as its death.
    WriteAll(worker.ToChild, EncodeJob(*worker.Current));
  }
}

// Takes one line from a worker; false when it was no message in its place, and the worker was put
// down for it.
bool Pool::Take(std::size_t index, const std::string& line, const Handlers& handlers) {
  Worker& worker = _Workers[index];
  WorkerMessage message;
  try {
    message = DecodeMessage(line);
    CheckPlace(worker.Current, message);
  } catch (const MessageError& error) {
    PutDown(index, std::string("the worker sent a malformed message: ") + error.what(), handlers);
    return false;
  }
  std::visit(Overloaded{
                 [&](const StepMessage& step) { worker.Streamed.push_back(step.Line); },
                 [&](const CleanMessage& clean) { handlers.OnClean(*worker.Current, clean); },
                 [&](const CaseResult& result) {
                   worker.LastN = result.N;
                   worker.Leaving = result.Fatal;
                   worker.LastMet = result.FaultMet;
                   worker.Streamed.clear();
                   handlers.OnResult(*worker.Current, result);
                 },
                 [&](const DoneMessage&) {
                   handlers.OnDone(*worker.Current);
                   worker.Current.reset();
                 },
                 [&](const RecordMessage& record) {
                   if (handlers.OnRecord) handlers.OnRecord(*worker.Current, record);
                 },
             },
             message);
  return true;
}

void Pool::Read(std::size_t index, const Handlers& handlers) {
  Worker& worker = _Workers[index];
  char chunk[65536];
  const ssize_t n = ::read(worker.FromChild, chunk, sizeof chunk);
  if (n > 0) {
    worker.Buffer.append(chunk, static_cast<std::size_t>(n));
    std::size_t begin = 0;
    for (std::size_t end; (end = worker.Buffer.find('\n', begin)) != std::string::npos; begin = end + 1) {
      if (!Take(index, worker.Buffer.substr(begin, end - begin), handlers)) return;
    }
    worker.Buffer.erase(0, begin);
    return;
  }
  int status = 0;
  ::waitpid(worker.Pid, &status, 0);
  Bury(index, EndText(status), false, handlers);
}

// A worker whose messages cannot be trusted is ended and reported as dead, whatever it said before.
void Pool::PutDown(std::size_t index, const std::string& how, const Handlers& handlers) {
  Worker& worker = _Workers[index];
  ::kill(worker.Pid, SIGKILL);
  ::waitpid(worker.Pid, nullptr, 0);
  worker.Leaving = false;
  Bury(index, how, false, handlers);
}

void Pool::Bury(std::size_t index, const std::string& how, bool timedOut, const Handlers& handlers) {
  Worker& worker = _Workers[index];
  const Slot& slot = _Slots[static_cast<int>(index)];
  if (worker.Current) {
    std::optional<Job> rest;
    if (worker.Leaving) {
      // A sweep is over at its first run that met no fault, also when that run ended the worker.
      if (worker.LastMet) rest = Rest(*worker.Current, worker.LastN);
    } else {
      Death death;
      death.TimedOut = timedOut;
      death.How = how;
      death.N = slot.Case;
      death.Line = slot.Line;
      death.Streamed = worker.Streamed;
      death.Extra = slot.ExtraLine();
      if (handlers.OnDeath(*worker.Current, death)) rest = Rest(*worker.Current, death.N);
    }
    if (rest) {
      _Queue[worker.Priority].push_front(std::move(*rest));
    } else {
      handlers.OnDone(*worker.Current);
    }
  }
  CloseFd(worker.ToChild);
  CloseFd(worker.FromChild);
  worker = Worker();
  ++_Restarts;
}

// A worker whose case has run past the time limit (its beat has not moved since the case began) is
// taken as hung.
void Pool::WatchTime(const Handlers& handlers) {
  const auto now = Clock::now();
  for (std::size_t i = 0; i < _Workers.size(); ++i) {
    Worker& worker = _Workers[i];
    if (worker.Pid <= 0 || !worker.Current) continue;
    const unsigned beat = _Slots[static_cast<int>(i)].Beat;
    if (beat != worker.LastBeat) {
      worker.LastBeat = beat;
      worker.LastMoved = now;
      continue;
    }
    if (now - worker.LastMoved <= _Limit) continue;
    ::kill(worker.Pid, SIGKILL);
    ::waitpid(worker.Pid, nullptr, 0);
    Bury(i, "no answer within " + std::to_string(_Limit.count()) + " ms", true, handlers);
  }
}

bool Pool::Run(const Handlers& handlers) {
  auto lastTick = Clock::now();
  for (;;) {
    if (handlers.ShouldStop && handlers.ShouldStop()) return false;
    Dispatch(handlers);
    if (!Busy()) return true;
    std::vector<pollfd> fds;
    std::vector<std::size_t> polled;
    for (std::size_t i = 0; i < _Workers.size(); ++i) {
      if (_Workers[i].Pid <= 0) continue;
      fds.push_back({_Workers[i].FromChild, POLLIN, 0});
      polled.push_back(i);
    }
    ::poll(fds.data(), fds.size(), 50);
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) Read(polled[i], handlers);
    }
    WatchTime(handlers);
    if (handlers.OnTick && Clock::now() - lastTick >= std::chrono::milliseconds(100)) {
      handlers.OnTick();
      lastTick = Clock::now();
    }
  }
}

}  // namespace vexvalidator
