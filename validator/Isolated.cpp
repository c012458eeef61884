#include "Isolated.h"

#include "Processes.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <stdexcept>

namespace vexvalidator {


Isolated RunIsolated(const std::function<nlohmann::json(Slot&)>& work, std::chrono::milliseconds limit) {
  SharedSlots slots(1);
  int channel[2];
  if (::pipe(channel) != 0) throw std::runtime_error("cannot make a pipe");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("cannot start a child process");
  if (pid == 0) {
    ::close(channel[0]);
    WriteAll(channel[1], work(slots[0]).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    _exit(0);
  }
  ::close(channel[1]);
  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool timedOut = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd fd{channel[0], POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[65536];
    const ssize_t n = ::read(channel[0], chunk, sizeof chunk);
    if (n <= 0) break;
    text.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(channel[0]);
  if (timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  Isolated result;
  result.Stage = slots[0].Line;
  if (timedOut) {
    result.Death = "no answer within " + std::to_string(limit.count()) + " ms";
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) {
    result.Death = EndText(status);
  } else {
    result.Value = nlohmann::json::parse(text);
  }
  return result;
}

}  // namespace vexvalidator
