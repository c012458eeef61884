#include "Processes.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <stdexcept>

#include "Slot.h"

namespace vexvalidator {

std::string EndText(int status) {
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    const char* name = sigabbrev_np(signal);
    const char* description = strsignal(signal);
    return "signal " + (name != nullptr ? "SIG" + std::string(name) : std::to_string(signal)) +
           (description != nullptr ? " (" + std::string(description) + ")" : std::string());
  }
  if (WIFEXITED(status)) return "the process exited with code " + std::to_string(WEXITSTATUS(status));
  return "the process ended";
}

bool WriteAll(int fd, const std::string& text) {
  for (std::size_t written = 0; written < text.size();) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

SharedSlots::SharedSlots(int count) : _Count(count) {
  void* shared = ::mmap(nullptr, sizeof(Slot) * static_cast<std::size_t>(count), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) throw std::runtime_error("cannot share memory with child processes");
  _Slots = static_cast<Slot*>(shared);
  for (int i = 0; i < count; ++i) new (&_Slots[i]) Slot();
}

SharedSlots::~SharedSlots() { ::munmap(_Slots, sizeof(Slot) * static_cast<std::size_t>(_Count)); }

}  // namespace vexvalidator
