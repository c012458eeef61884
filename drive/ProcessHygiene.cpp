#include "ProcessHygiene.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <sstream>

#include "Text.h"

namespace vexdrive {

namespace {

std::string SignalName(int signal) {
  const char* name = sigabbrev_np(signal);
  return name != nullptr ? "SIG" + std::string(name) : "signal " + std::to_string(signal);
}

std::string Octal(mode_t mode) {
  std::ostringstream text;
  text << '0' << std::oct << (mode & 0777);
  return text.str();
}

// The signals whose handlers Unchanged compares: those a library most often takes over (each
// comparison is a system call, and Unchanged runs after every case of a validation).
constexpr int Watched[] = {SIGINT, SIGTERM, SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGPIPE, SIGCHLD};

// The name of an environment entry "NAME=value".
std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

std::map<std::string, std::string> ByName(const std::vector<std::string>& entries) {
  std::map<std::string, std::string> byName;
  for (const auto& entry : entries) byName.emplace(NameOf(entry), entry);
  return byName;
}

// "sets A, unsets B, changes C": names only, since values may be long or private.
std::string EnvironmentChange(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  const auto old = ByName(before);
  const auto now = ByName(after);
  std::vector<std::string> set;
  std::vector<std::string> unset;
  std::vector<std::string> changed;
  for (const auto& [name, entry] : now) {
    auto found = old.find(name);
    if (found == old.end()) {
      set.push_back(name);
    } else if (found->second != entry) {
      changed.push_back(name);
    }
  }
  for (const auto& [name, entry] : old) {
    if (now.count(name) == 0) unset.push_back(name);
  }
  std::vector<std::string> parts;
  if (!set.empty()) parts.push_back("sets " + Join(set, ", "));
  if (!unset.empty()) parts.push_back("unsets " + Join(unset, ", "));
  if (!changed.empty()) parts.push_back("changes " + Join(changed, ", "));
  return Join(parts, "; ");
}

}  // namespace

ProcessBaseline::ProcessBaseline()
    : _Tasks(::open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
      _Threads(Threads()),
      _LowestFree(LowestFreeDescriptor()),
      _Directory(Directory()),
      _Environment(Environment()),
      _Umask(Umask()),
      _Handlers(Handlers()),
      _Descriptors(Descriptors()),
      _Runtime(RuntimeSettings::Now()) {}

ProcessBaseline::~ProcessBaseline() {
  if (_Tasks >= 0) ::close(_Tasks);
}

int ProcessBaseline::Threads() const {
  if (_Tasks < 0 || ::lseek(_Tasks, 0, SEEK_SET) != 0) return 0;
  int threads = 0;
  alignas(8) char entries[8192];
  for (long size; (size = ::syscall(SYS_getdents64, _Tasks, entries, sizeof entries)) > 0;) {
    for (long offset = 0; offset < size;) {
      // struct linux_dirent64: inode (8 bytes), offset (8), record length (2), type (1), name.
      unsigned short length = 0;
      std::memcpy(&length, entries + offset + 16, sizeof length);
      if (entries[offset + 19] != '.') ++threads;
      offset += length;
    }
    // The directory gives as many entries as fit: far less than fits means there are no more.
    if (size < static_cast<long>(sizeof entries) / 2) break;
  }
  return threads;
}

int ProcessBaseline::LowestFreeDescriptor() const {
  // A module that leaves a descriptor open holds the lowest one that was free.
  const int probe = ::fcntl(_Tasks, F_DUPFD_CLOEXEC, 0);
  if (probe >= 0) ::close(probe);
  return probe;
}

ProcessBaseline::Handler ProcessBaseline::HandlerOf(int signal) {
  struct sigaction action {};
  if (::sigaction(signal, nullptr, &action) != 0) return {};
  const bool withInfo = (action.sa_flags & SA_SIGINFO) != 0;
  const auto address = withInfo ? reinterpret_cast<std::uintptr_t>(action.sa_sigaction)
                                : reinterpret_cast<std::uintptr_t>(action.sa_handler);
  return {address, withInfo, action};
}

std::map<int, ProcessBaseline::Handler> ProcessBaseline::Handlers() {
  std::map<int, Handler> handlers;
  for (int signal = 1; signal < NSIG; ++signal) {
    struct sigaction action {};
    if (::sigaction(signal, nullptr, &action) != 0) continue;  // none can be set for it
    handlers[signal] = HandlerOf(signal);
  }
  return handlers;
}

std::map<int, std::string> ProcessBaseline::Descriptors() {
  std::map<int, std::string> descriptors;
  DIR* directory = ::opendir("/proc/self/fd");
  if (directory == nullptr) return descriptors;
  const int own = ::dirfd(directory);
  while (const dirent* entry = ::readdir(directory)) {
    if (entry->d_name[0] == '.') continue;
    const int number = std::atoi(entry->d_name);
    if (number == own) continue;
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t size = ::readlink(link.c_str(), target, sizeof target - 1);
    descriptors[number] = size > 0 ? std::string(target, static_cast<std::size_t>(size)) : std::string("?");
  }
  ::closedir(directory);
  return descriptors;
}

std::vector<std::string> ProcessBaseline::Environment() {
  std::vector<std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) entries.emplace_back(*entry);
  return entries;
}

std::string ProcessBaseline::Directory() {
  char path[4096];
  return ::getcwd(path, sizeof path) != nullptr ? std::string(path) : std::string("(unknown)");
}

mode_t ProcessBaseline::Umask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

bool ProcessBaseline::Unchanged(bool umaskToo) const {
  if (Threads() != _Threads || LowestFreeDescriptor() != _LowestFree) return false;
  if (umaskToo && Umask() != _Umask) return false;
  std::size_t count = 0;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry, ++count) {
    if (count >= _Environment.size() || _Environment[count] != *entry) return false;
  }
  if (count != _Environment.size() || Directory() != _Directory || !(RuntimeSettings::Now() == _Runtime)) return false;
  for (const int signal : Watched) {
    auto handler = _Handlers.find(signal);
    if (handler != _Handlers.end() && !(HandlerOf(signal) == handler->second)) return false;
  }
  return true;
}

std::vector<std::string> ProcessBaseline::Changes() const {
  std::vector<std::string> changes;
  const std::string directory = Directory();
  if (directory != _Directory)
    changes.push_back("changes the working directory from " + _Directory + " to " + directory);
  if (const std::string change = EnvironmentChange(_Environment, Environment()); !change.empty()) {
    changes.push_back("changes the environment: " + change);
  }
  if (const mode_t mask = Umask(); mask != _Umask) {
    changes.push_back("changes the umask from " + Octal(_Umask) + " to " + Octal(mask));
  }
  std::vector<std::string> signals;
  const auto handlers = Handlers();
  for (const auto& [signal, handler] : handlers) {
    auto before = _Handlers.find(signal);
    if (before != _Handlers.end() && !(before->second == handler)) signals.push_back(SignalName(signal));
  }
  if (!signals.empty()) changes.push_back("changes the handler of " + Join(signals, ", "));
  for (auto& change : _Runtime.ChangesTo(RuntimeSettings::Now())) changes.push_back(std::move(change));
  // However many: one message for every case that leaves threads behind.
  if (Threads() > _Threads) changes.push_back("leaves a thread running");
  std::vector<std::string> opened;
  std::vector<std::string> closed;
  const auto descriptors = Descriptors();
  for (const auto& [number, target] : descriptors) {
    if (_Descriptors.count(number) == 0) opened.push_back(std::to_string(number) + " (" + Printable(target) + ")");
  }
  for (const auto& [number, target] : _Descriptors) {
    if (number != _Tasks && descriptors.count(number) == 0) closed.push_back(std::to_string(number));
  }
  if (!opened.empty()) changes.push_back("leaves descriptor " + Join(opened, ", ") + " open");
  if (!closed.empty()) changes.push_back("closes descriptor " + Join(closed, ", ") + ", which it did not open");
  return changes;
}

bool ProcessBaseline::Restore() const {
  if (Directory() != _Directory) static_cast<void>(::chdir(_Directory.c_str()));
  if (const auto now = Environment(); now != _Environment) {
    for (const auto& entry : now) ::unsetenv(NameOf(entry).c_str());
    for (const auto& entry : _Environment) {
      const auto equals = entry.find('=');
      if (equals != std::string::npos) ::setenv(entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, 1);
    }
  }
  ::umask(_Umask);
  _Runtime.Restore();
  for (const auto& [signal, handler] : _Handlers) {
    if (!(HandlerOf(signal) == handler)) ::sigaction(signal, &handler.Action, nullptr);
  }
  for (const auto& [number, target] : Descriptors()) {
    if (_Descriptors.count(number) == 0) ::close(number);
  }
  return Unchanged() && Changes().empty();
}

std::string OutputFinding(std::string_view stream, std::string_view text) {
  // Its first line: the same for every case that writes the same, however often it wrote it.
  constexpr std::size_t shown = 80;
  const std::string_view first =
      text.substr(0, text.find('\n') == std::string_view::npos ? text.size() : text.find('\n') + 1);
  return "writes to " + std::string(stream) + ": " + Quoted(Abbreviated(first, shown));
}

}  // namespace vexdrive
