#include "OutputWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <iterator>
#include <stdexcept>

namespace vexshell {

namespace {

// What the helper keeps of each stream, to name in the report; it passes on everything.
constexpr std::size_t Kept = 4096;

int Duplicate(int fd) {
  const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (copy < 0)
    throw std::runtime_error("cannot watch the module's output: descriptor " + std::to_string(fd) + " is not open");
  return copy;
}

void WriteAll(int fd, const char* text, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, text, size);
    if (written <= 0) return;  // nobody reads there any more: the text is dropped, not the run
    text += written;
    size -= static_cast<std::size_t>(written);
  }
}

// The helper: passes what arrives on each pipe to where that stream went before, keeps the start
// of it, and tells what it kept once both pipes are closed.
[[noreturn]] void Helper(int outPipe, int errPipe, int savedOut, int savedErr, int report) {
  std::signal(SIGPIPE, SIG_IGN);
  pollfd fds[2] = {{outPipe, POLLIN, 0}, {errPipe, POLLIN, 0}};
  const int to[2] = {savedOut, savedErr};
  std::string kept[2];
  for (int open = 2; open > 0;) {
    if (::poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char chunk[65536];
      const ssize_t size = ::read(fds[i].fd, chunk, sizeof chunk);
      if (size <= 0) {
        fds[i].fd = -1;
        --open;
        continue;
      }
      WriteAll(to[i], chunk, static_cast<std::size_t>(size));
      kept[i].append(chunk, std::min(static_cast<std::size_t>(size), Kept - std::min(Kept, kept[i].size())));
    }
  }
  const std::string account =
      std::to_string(kept[0].size()) + " " + std::to_string(kept[1].size()) + "\n" + kept[0] + kept[1];
  WriteAll(report, account.data(), account.size());
  _exit(0);
}

// Where a fatal signal finds the watch: set while it watches. The handler may only read them.
volatile sig_atomic_t WatchedHelper = -1;
volatile sig_atomic_t WatchedSavedOut = -1;
volatile sig_atomic_t WatchedSavedErr = -1;
constexpr int FatalSignals[] = {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};
struct sigaction FormerActions[std::size(FatalSignals)];  // put back when the watch ends

// A run that dies (an exception across the boundary, a crash) would otherwise end before the
// helper passed on its last words, and whoever waits for the run could read its output without
// them. The handler closes this process's ends of the pipes, waits a while for the helper, and lets
// the signal end the process as it would have.
void OnFatalSignal(int signal) {
  const pid_t helper = static_cast<pid_t>(WatchedHelper);
  if (helper > 0) {
    ::dup2(static_cast<int>(WatchedSavedOut), STDOUT_FILENO);
    ::dup2(static_cast<int>(WatchedSavedErr), STDERR_FILENO);
    // A module that kept a copy of descriptor 1 or 2 keeps its pipe open: wait two seconds at most.
    const timespec tick{0, 10'000'000};
    for (int waited = 0; waited < 200 && ::waitpid(helper, nullptr, WNOHANG) == 0; ++waited)
      ::nanosleep(&tick, nullptr);
  }
  // The handler that was there before (the default, or a sanitizer's) takes the signal again.
  for (std::size_t i = 0; i < std::size(FatalSignals); ++i) {
    if (FatalSignals[i] == signal) ::sigaction(signal, &FormerActions[i], nullptr);
  }
  ::raise(signal);
}

void WatchFatalSignals(pid_t helper, int savedOut, int savedErr) {
  WatchedSavedOut = savedOut;
  WatchedSavedErr = savedErr;
  WatchedHelper = helper;
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(FatalSignals); ++i) ::sigaction(FatalSignals[i], &action, &FormerActions[i]);
}

void UnwatchFatalSignals() {
  WatchedHelper = -1;
  // A handler the module put in place instead stays: the process checks report it.
  for (std::size_t i = 0; i < std::size(FatalSignals); ++i) {
    struct sigaction current {};
    ::sigaction(FatalSignals[i], nullptr, &current);
    if (current.sa_handler == OnFatalSignal) ::sigaction(FatalSignals[i], &FormerActions[i], nullptr);
  }
}

}  // namespace

std::streambuf::int_type OutputWatch::FdBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char one = traits_type::to_char_type(c);
  WriteAll(_Fd, &one, 1);
  return c;
}

std::streamsize OutputWatch::FdBuffer::xsputn(const char* text, std::streamsize size) {
  WriteAll(_Fd, text, static_cast<std::size_t>(size));
  return size;
}

OutputWatch::OutputWatch()
    : _SavedOut(Duplicate(STDOUT_FILENO)),
      _SavedErr(Duplicate(STDERR_FILENO)),
      _OutBuffer(_SavedOut),
      _ErrBuffer(_SavedErr),
      _Out(&_OutBuffer),
      _Err(&_ErrBuffer) {
  int out[2];
  int err[2];
  int report[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(report, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot watch the module's output: no pipes");
  }
  std::fflush(nullptr);
  std::cout.flush();
  std::cerr.flush();
  _Helper = ::fork();
  if (_Helper < 0) throw std::runtime_error("cannot watch the module's output: no helper process");
  if (_Helper == 0) {
    ::close(out[1]);
    ::close(err[1]);
    ::close(report[0]);
    Helper(out[0], err[0], _SavedOut, _SavedErr, report[1]);
  }
  ::close(out[0]);
  ::close(err[0]);
  ::close(report[1]);
  _Report = report[0];
  ::dup2(out[1], STDOUT_FILENO);
  ::dup2(err[1], STDERR_FILENO);
  ::close(out[1]);
  ::close(err[1]);
  WatchFatalSignals(_Helper, _SavedOut, _SavedErr);
}

OutputWatch::~OutputWatch() {
  Stop();
  ::close(_SavedOut);
  ::close(_SavedErr);
}

OutputWatch::Heard OutputWatch::Stop() {
  Heard heard;
  if (_Stopped) return heard;
  _Stopped = true;
  std::fflush(nullptr);
  std::cout.flush();
  std::cerr.flush();
  // Descriptors 1 and 2 were the last ends of the pipes this process held: the helper sees them
  // close, passes on the rest and tells what it kept.
  UnwatchFatalSignals();
  ::dup2(_SavedOut, STDOUT_FILENO);
  ::dup2(_SavedErr, STDERR_FILENO);
  std::string account;
  // A module that kept a copy of descriptor 1 or 2 keeps its pipe open: the helper is then not
  // waited for past a while (that copy is a descriptor left open, which --check reports).
  constexpr int WaitMs = 2000;
  for (pollfd fd{_Report, POLLIN, 0}; ::poll(&fd, 1, WaitMs) > 0;) {
    char chunk[8192];
    const ssize_t size = ::read(_Report, chunk, sizeof chunk);
    if (size <= 0) break;
    account.append(chunk, static_cast<std::size_t>(size));
  }
  ::close(_Report);
  ::kill(_Helper, SIGKILL);
  ::waitpid(_Helper, nullptr, 0);
  const auto newline = account.find('\n');
  if (newline == std::string::npos) return heard;
  std::size_t outSize = 0;
  std::size_t errSize = 0;
  if (std::sscanf(account.c_str(), "%zu %zu", &outSize, &errSize) != 2) return heard;
  heard.Out = account.substr(newline + 1, outSize);
  heard.Err = account.substr(newline + 1 + outSize, errSize);
  return heard;
}

}  // namespace vexshell
