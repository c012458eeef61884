#include "SystemWatch.h"

#include <linux/seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "SystemCalls.h"

namespace vexdrive {

// The memory the watched process and its watcher share.
struct SystemWatch::Shared {
  static constexpr int Capacity = 64;   // texts noted between two Takes; more are dropped
  static constexpr int TextSize = 240;  // a path longer is cut
  std::atomic<int> Open = 0;
  std::atomic<int> Count = 0;
  pid_t Watched = 0;
  char Texts[Capacity][TextSize] = {};
};

namespace {

static_assert(std::atomic<int>::is_always_lock_free);

// --- The watcher --------------------------------------------------------------------------------

// One byte with room for a descriptor beside it: what passes the listener to the watcher.
struct DescriptorMessage {
  DescriptorMessage() {
    Header.msg_iov = &Data;
    Header.msg_iovlen = 1;
    Header.msg_control = Control;
    Header.msg_controllen = sizeof Control;
  }
  DescriptorMessage(const DescriptorMessage&) = delete;
  DescriptorMessage& operator=(const DescriptorMessage&) = delete;

  char Byte = 0;
  iovec Data{&Byte, 1};
  alignas(cmsghdr) char Control[CMSG_SPACE(sizeof(int))] = {};
  msghdr Header{};
};

int ReceiveDescriptor(int socket) {
  DescriptorMessage message;
  if (::recvmsg(socket, &message.Header, 0) <= 0) return -1;
  const cmsghdr* header = CMSG_FIRSTHDR(&message.Header);
  if (header == nullptr || header->cmsg_type != SCM_RIGHTS) return -1;
  int fd = -1;
  std::memcpy(&fd, CMSG_DATA(header), sizeof fd);
  return fd;
}

bool SendDescriptor(int socket, int fd) {
  DescriptorMessage message;
  cmsghdr* header = CMSG_FIRSTHDR(&message.Header);
  header->cmsg_level = SOL_SOCKET;
  header->cmsg_type = SCM_RIGHTS;
  header->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(header), &fd, sizeof fd);
  return ::sendmsg(socket, &message.Header, 0) == 1;
}

// Whether thread `tid` is one of the watched process's: the processes it starts are not watched.
bool OfWatched(pid_t tid, pid_t watched) {
  if (tid == watched) return true;
  const std::string task = "/proc/" + std::to_string(watched) + "/task/" + std::to_string(tid);
  return ::access(task.c_str(), F_OK) == 0;
}

void Note(SystemWatch::Shared& shared, const std::string& text) {
  const int index = shared.Count.load(std::memory_order_acquire);
  if (index >= SystemWatch::Shared::Capacity) return;
  const std::size_t size = std::min(text.size(), static_cast<std::size_t>(SystemWatch::Shared::TextSize - 1));
  std::memcpy(shared.Texts[index], text.data(), size);
  shared.Texts[index][size] = '\0';
  shared.Count.store(index + 1, std::memory_order_release);
}

// Answers every call the filter sends: it goes on as it was made. Notes it while the watch is open.
[[noreturn]] void Watch(int listener, SystemWatch::Shared& shared) {
  seccomp_notif_sizes sizes{};
  if (::syscall(SYS_seccomp, SECCOMP_GET_NOTIF_SIZES, 0, &sizes) != 0) _exit(0);
  const auto callSize = std::max<std::size_t>(sizes.seccomp_notif, sizeof(seccomp_notif));
  const auto answerSize = std::max<std::size_t>(sizes.seccomp_notif_resp, sizeof(seccomp_notif_resp));
  std::unique_ptr<char[]> callMemory(new char[callSize]);
  std::unique_ptr<char[]> answerMemory(new char[answerSize]);
  auto* call = reinterpret_cast<seccomp_notif*>(callMemory.get());
  auto* answer = reinterpret_cast<seccomp_notif_resp*>(answerMemory.get());
  for (;;) {
    std::memset(call, 0, callSize);
    if (::ioctl(listener, SECCOMP_IOCTL_NOTIF_RECV, call) != 0) {
      if (errno == EINTR || errno == ENOENT) continue;  // ENOENT: the caller was gone before it was read
      _exit(0);                                         // the watched process and its children are gone
    }
    if (shared.Open.load() != 0 && OfWatched(static_cast<pid_t>(call->pid), shared.Watched)) {
      if (const std::string text = DescribeCall(*call); !text.empty()) Note(shared, text);
    }
    std::memset(answer, 0, answerSize);
    answer->id = call->id;
    answer->flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
    // Fails only when the caller was killed meanwhile: nothing to answer then.
    static_cast<void>(::ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, answer));
  }
}

[[noreturn]] void BecomeWatcher(int socket, SystemWatch::Shared& shared) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != shared.Watched) _exit(0);
  // Only its socket: a descriptor the watcher kept would keep the watched process's pipes open.
  ::close_range(0, static_cast<unsigned>(socket) - 1, 0);
  ::close_range(static_cast<unsigned>(socket) + 1, ~0U, 0);
  const int listener = ReceiveDescriptor(socket);
  ::close(socket);
  if (listener < 0) _exit(0);
  Watch(listener, shared);
}

// --- Starting -----------------------------------------------------------------------------------

// Whether the kernel lets a watcher answer "go on as made" (SECCOMP_USER_NOTIF_FLAG_CONTINUE,
// Linux 5.5): without it a caught call could only be failed or faked, never made.
bool KernelLetsCallsGoOn() {
  utsname system{};
  int major = 0;
  int minor = 0;
  if (::uname(&system) != 0 || std::sscanf(system.release, "%d.%d", &major, &minor) != 2) return false;
  return major > 5 || (major == 5 && minor >= 5);
}

int InstallFilter() {
  std::vector<sock_filter> code = ReachFilter();
  if (code.empty() || ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return -1;
  sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
  return static_cast<int>(::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &program));
}

SystemWatch::Shared* Start() {
  if (!KernelLetsCallsGoOn()) return nullptr;
  void* memory =
      ::mmap(nullptr, sizeof(SystemWatch::Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  auto* shared = new (memory) SystemWatch::Shared();
  shared->Watched = ::getpid();
  int sockets[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return nullptr;
  const pid_t watcher = ::fork();
  if (watcher == 0) {
    ::close(sockets[0]);
    BecomeWatcher(sockets[1], *shared);
  }
  ::close(sockets[1]);
  int listener = -1;
  if (watcher > 0) {
    // Where only a process's ancestors may read its memory, the watcher is let read this one's.
    static_cast<void>(::prctl(PR_SET_PTRACER, watcher, 0, 0, 0));
    listener = InstallFilter();
  }
  const bool sent = listener >= 0 && SendDescriptor(sockets[0], listener);
  if (listener >= 0) ::close(listener);
  ::close(sockets[0]);
  if (sent) return shared;
  // A filter without its watcher would fail every call it catches: the filter was not installed
  // then (or its watcher will answer it all the same, if the descriptor went but the reply did not).
  if (watcher > 0) {
    ::kill(watcher, SIGKILL);
    ::waitpid(watcher, nullptr, 0);
  }
  return nullptr;
}

}  // namespace

SystemWatch* SystemWatch::OfProcess() {
  static pid_t owner = 0;
  static SystemWatch* watch = nullptr;
  if (owner == ::getpid()) return watch;
  owner = ::getpid();
  Shared* shared = Start();
  // Kept for the life of the process, as its watcher and filter are.
  watch = shared != nullptr ? new SystemWatch(shared) : nullptr;
  return watch;
}

void SystemWatch::Open() { _Shared->Open.store(1); }

void SystemWatch::Close() { _Shared->Open.store(0); }

std::vector<std::string> SystemWatch::Take() {
  const int count = std::min(_Shared->Count.load(std::memory_order_acquire), Shared::Capacity);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) {
    std::string text(_Shared->Texts[i]);
    if (std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(std::move(text));
  }
  _Shared->Count.store(0, std::memory_order_release);
  return texts;
}

std::vector<std::string> NotSeenByWatch(const std::vector<std::string>& changes, const std::vector<std::string>& seen) {
  // What a change begins with, and what a call seen that makes it begins with.
  static const std::pair<const char*, const char*> sameFault[] = {
      {"changes the working directory", "changes the working directory"},
      {"changes the handler of", "sets SIG"},
      {"changes the handler of", "sets signal "},
      {"changes the umask", "sets the umask"},
      {"leaves a thread running", "starts a thread"},
  };
  auto startsWith = [](const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; };
  auto sawOne = [&](const char* call) {
    return std::any_of(seen.begin(), seen.end(), [&](const std::string& text) { return startsWith(text, call); });
  };
  std::vector<std::string> left;
  for (const auto& change : changes) {
    const bool named = std::any_of(std::begin(sameFault), std::end(sameFault), [&](const auto& same) {
      return startsWith(change, same.first) && sawOne(same.second);
    });
    if (!named) left.push_back(change);
  }
  return left;
}

}  // namespace vexdrive

namespace vexdrive {

namespace {

// The signal a text of a disposition set names ("sets SIGPIPE to be ignored": SIGPIPE); empty for
// another text.
std::string SignalSet(const std::string& text) {
  if (text.rfind("sets SIG", 0) != 0 && text.rfind("sets signal ", 0) != 0) return {};
  const auto end = text.find(" to ", 5);
  return end == std::string::npos ? std::string() : text.substr(5, end - 5);
}

}  // namespace

std::vector<std::string> LeftInPlace(const std::vector<std::string>& seen, const std::vector<std::string>& changes) {
  // "changes the handler of SIGPIPE, SIGTERM": the signals whose handlers differ.
  constexpr std::string_view prefix = "changes the handler of ";
  std::vector<std::string> changed;
  for (const auto& change : changes) {
    if (change.rfind(prefix, 0) != 0) continue;
    for (std::size_t at = prefix.size(); at < change.size();) {
      const auto end = std::min(change.find(", ", at), change.size());
      changed.push_back(change.substr(at, end - at));
      at = end + 2;
    }
  }
  std::vector<std::string> left;
  for (const auto& text : seen) {
    const std::string signal = SignalSet(text);
    if (signal.empty() || std::find(changed.begin(), changed.end(), signal) != changed.end()) left.push_back(text);
  }
  return left;
}

}  // namespace vexdrive
