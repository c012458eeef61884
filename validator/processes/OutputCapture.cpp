#include "OutputCapture.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "Processes.h"
#include "drive/ProcessHygiene.h"

namespace vexvalidator {

namespace {

// What is read of a stream to name in a finding: the start of what was written.
constexpr std::size_t Shown = 256;

int MemoryFile(const char* name, int onto) {
  const int fd = ::memfd_create(name, MFD_CLOEXEC);
  if (fd < 0 || ::dup2(fd, onto) < 0) _exit(3);
  return fd;
}

// What `fd` holds (its start), after which it is emptied.
std::string Drain(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || status.st_size <= 0) return {};
  const auto size = status.st_size;
  std::string text(std::min(static_cast<std::size_t>(size), Shown), '\0');
  const ssize_t read = ::pread(fd, text.data(), text.size(), 0);
  text.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
  if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) _exit(3);
  // Nothing was readable: still something was written.
  return text.empty() ? std::string(" ") : text;
}

}  // namespace

OutputCapture::OutputCapture() {
  std::fflush(nullptr);
  _SavedErr = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  _Out = MemoryFile("module standard output", STDOUT_FILENO);
  _Err = MemoryFile("module standard error", STDERR_FILENO);
}

std::vector<Finding> OutputCapture::Take() {
  std::fflush(nullptr);
  std::vector<Finding> findings;
  if (const std::string text = Drain(_Out); !text.empty()) {
    findings.push_back({kind::ProcessHygiene, vexdrive::OutputFinding("standard output", text)});
  }
  if (const std::string text = Drain(_Err); !text.empty()) {
    findings.push_back({kind::ProcessHygiene, vexdrive::OutputFinding("standard error", text)});
  }
  return findings;
}

void OutputCapture::Complain(const std::string& text) const {
  if (_SavedErr >= 0) WriteAll(_SavedErr, text);
}

}  // namespace vexvalidator
