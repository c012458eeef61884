#include "Isolated.h"

#include "Processes.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vexvalidator {

namespace {

int Channel = -1;

// The value given, and the one written at exit after it: each on a line of its own.
void Parse(const std::string& text, Isolated& result) {
  const auto end = text.find('\n');
  nlohmann::json value = nlohmann::json::parse(text.substr(0, end), nullptr, false);
  if (!value.is_discarded()) result.Value = std::move(value);
  if (end == std::string::npos) return;
  nlohmann::json atExit = nlohmann::json::parse(text.substr(end + 1), nullptr, false);
  if (!atExit.is_discarded()) result.AtExit = std::move(atExit);
}

}  // namespace

int ChannelToParent() { return Channel; }

Isolated RunIsolated(const std::function<nlohmann::json(Slot&)>& work, std::chrono::milliseconds limit, Ending ending,
                     const std::function<bool()>& stop) {
  SharedSlots slots(1);
  int channel[2];
  if (::pipe(channel) != 0) throw std::runtime_error("cannot make a pipe");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("cannot start a child process");
  if (pid == 0) {
    ::close(channel[0]);
    WriteAll(channel[1], work(slots[0]).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    if (ending == Ending::Normal) {
      // Open until the process ends: a handler run at exit may tell more.
      Channel = channel[1];
      std::exit(0);
    }
    _exit(0);
  }
  ::close(channel[1]);
  Isolated result;
  std::string text;
  bool closed = false;  // the child gave its value (or died)
  bool ended = false;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (stop && stop()) {
      result.Stopped = true;
      break;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.Death = "no answer within " + std::to_string(limit.count()) + " ms";
      break;
    }
    // Woken now and then to ask whether to stop.
    const int wait = static_cast<int>(std::min<long long>(left.count(), 100));
    if (closed) {
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
        break;
      }
      ::poll(nullptr, 0, std::min(wait, 10));
      continue;
    }
    pollfd fd{channel[0], POLLIN, 0};
    if (::poll(&fd, 1, wait) <= 0) continue;
    char chunk[65536];
    const ssize_t n = ::read(channel[0], chunk, sizeof chunk);
    if (n <= 0) {
      closed = true;
    } else {
      text.append(chunk, static_cast<std::size_t>(n));
    }
  }
  ::close(channel[0]);
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  result.Stage = slots[0].Line;
  // The value counts once its line is whole, also when the child then hung or died at exit.
  if (text.find('\n') != std::string::npos) Parse(text, result);
  if (ended && (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !result.Value)) result.Death = EndText(status);
  return result;
}

}  // namespace vexvalidator
