#include "Pool.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "Processes.h"

namespace vexvalidator {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// What is left of a job after case `after`: a sweep's further points.
std::optional<Job> Rest(const Job& job, int after) {
  if (job.What != Job::Kind::Sweep || after + 1 > job.Last) return std::nullopt;
  Job rest = job;
  rest.From = after + 1;
  return rest;
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
    WriteAll(worker.ToChild,
             ToJson(*worker.Current).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  }
}

void Pool::Take(Worker& worker, const std::string& line, const Handlers& handlers) {
  const nlohmann::json message = nlohmann::json::parse(line);
  if (message.contains("step")) {
    worker.Streamed.push_back(message["step"].get<std::string>());
  } else if (message.contains("clean")) {
    handlers.OnClean(*worker.Current, message["clean"].get<int>(), message["stopped"].get<std::vector<int>>());
  } else if (message.contains("done")) {
    handlers.OnDone(*worker.Current);
    worker.Current.reset();
  } else {
    const CaseResult result = ResultFromJson(message);
    worker.LastN = result.N;
    worker.Leaving = result.Fatal;
    worker.Streamed.clear();
    handlers.OnResult(*worker.Current, result);
  }
}

void Pool::Read(std::size_t index, const Handlers& handlers) {
  Worker& worker = _Workers[index];
  char chunk[65536];
  const ssize_t n = ::read(worker.FromChild, chunk, sizeof chunk);
  if (n > 0) {
    worker.Buffer.append(chunk, static_cast<std::size_t>(n));
    std::size_t begin = 0;
    for (std::size_t end; (end = worker.Buffer.find('\n', begin)) != std::string::npos; begin = end + 1) {
      Take(worker, worker.Buffer.substr(begin, end - begin), handlers);
    }
    worker.Buffer.erase(0, begin);
    return;
  }
  int status = 0;
  ::waitpid(worker.Pid, &status, 0);
  Bury(index, status, false, handlers);
}

void Pool::Bury(std::size_t index, int status, bool timedOut, const Handlers& handlers) {
  Worker& worker = _Workers[index];
  const Slot& slot = _Slots[static_cast<int>(index)];
  if (worker.Current) {
    std::optional<Job> rest;
    if (worker.Leaving) {
      rest = Rest(*worker.Current, worker.LastN);
    } else {
      Death death;
      death.TimedOut = timedOut;
      death.How = timedOut ? "no answer within " + std::to_string(_Limit.count()) + " ms" : EndText(status);
      death.N = slot.Case;
      death.Line = slot.Line;
      death.Streamed = worker.Streamed;
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

// A worker whose beat has not moved within the time limit is taken as hung.
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
    int status = 0;
    ::waitpid(worker.Pid, &status, 0);
    Bury(i, status, true, handlers);
  }
}

void Pool::Run(const Handlers& handlers) {
  auto lastTick = Clock::now();
  for (;;) {
    Dispatch(handlers);
    if (!Busy()) break;
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
