#include "SystemCalls.h"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>

namespace vexdrive {

namespace {

#if defined(__x86_64__)
constexpr std::uint32_t Architecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t Architecture = AUDIT_ARCH_AARCH64;
#else
constexpr std::uint32_t Architecture = 0;
#endif

// Opened so that the file is written: for writing, or created, or emptied.
constexpr std::uint32_t Writing = O_WRONLY | O_RDWR | O_CREAT | O_TRUNC;

constexpr std::uint32_t Notify = SECCOMP_RET_USER_NOTIF;
constexpr std::uint32_t Allow = SECCOMP_RET_ALLOW;

sock_filter Load(std::uint32_t offset) { return BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset); }
sock_filter Return(std::uint32_t action) { return BPF_STMT(BPF_RET | BPF_K, action); }
sock_filter Jump(std::uint16_t code, std::uint32_t value, std::uint8_t whenTrue, std::uint8_t whenFalse) {
  return BPF_JUMP(static_cast<std::uint16_t>(BPF_JMP | code | BPF_K), value, whenTrue, whenFalse);
}

// The low and high halves of argument `index` (little-endian).
std::uint32_t ArgumentLow(int index) {
  return static_cast<std::uint32_t>(offsetof(seccomp_data, args) + 8 * static_cast<std::size_t>(index));
}
std::uint32_t ArgumentHigh(int index) { return ArgumentLow(index) + 4; }

class Program {
 public:
  Program() {
    _Code.push_back(Load(offsetof(seccomp_data, arch)));
    _Code.push_back(Jump(BPF_JEQ, Architecture, 1, 0));
    _Code.push_back(Return(Allow));
  }
  // Caught whatever its arguments.
  void Always(int number) { Block(number, {Return(Notify)}); }
  // Caught when one of `bits` is set in argument `index`.
  void AnyBit(int number, int index, std::uint32_t bits) {
    Block(number, {Load(ArgumentLow(index)), Jump(BPF_JSET, bits, 0, 1), Return(Notify), Return(Allow)});
  }
  // Caught when argument `index` (a pointer: what is set) is not null.
  void NotNull(int number, int index) {
    Block(number, {Load(ArgumentLow(index)), Jump(BPF_JEQ, 0, 0, 2), Load(ArgumentHigh(index)), Jump(BPF_JEQ, 0, 1, 0),
                   Return(Notify), Return(Allow)});
  }
  std::vector<sock_filter> Done() {
    _Code.push_back(Return(Allow));
    return std::move(_Code);
  }

 private:
  // The number compared again at each block: a block's checks load the arguments.
  void Block(int number, const std::vector<sock_filter>& body) {
    _Code.push_back(Load(offsetof(seccomp_data, nr)));
    _Code.push_back(Jump(BPF_JEQ, static_cast<std::uint32_t>(number), 0, static_cast<std::uint8_t>(body.size())));
    _Code.insert(_Code.end(), body.begin(), body.end());
  }
  std::vector<sock_filter> _Code;
};

// --- Reading the caller -----------------------------------------------------------------------

// An address in the caller's memory, as process_vm_readv takes it: never dereferenced here.
void* Remote(std::uint64_t address) { return std::bit_cast<void*>(static_cast<std::uintptr_t>(address)); }

std::string Text(pid_t pid, std::uint64_t address) {
  if (address == 0) return "(none)";
  std::array<char, 1024> buffer{};
  iovec local{buffer.data(), buffer.size() - 1};
  iovec remote{Remote(address), buffer.size() - 1};
  // A string may end before a page that cannot be read: read up to the end of its page first.
  const std::size_t toPageEnd = 4096 - (address % 4096);
  if (toPageEnd < remote.iov_len) local.iov_len = remote.iov_len = toPageEnd;
  if (::process_vm_readv(pid, &local, 1, &remote, 1, 0) <= 0) return "(unreadable)";
  std::string text(buffer.data());
  if (text.size() == toPageEnd && toPageEnd < buffer.size() - 1) text += Text(pid, address + toPageEnd);
  return text;
}

template <class Value>
bool Read(pid_t pid, std::uint64_t address, Value& value) {
  iovec local{&value, sizeof value};
  iovec remote{Remote(address), sizeof value};
  return address != 0 && ::process_vm_readv(pid, &local, 1, &remote, 1, 0) == static_cast<ssize_t>(sizeof value);
}

std::string Link(const std::string& path) {
  std::array<char, 4096> target{};
  const ssize_t size = ::readlink(path.c_str(), target.data(), target.size() - 1);
  return size > 0 ? std::string(target.data(), static_cast<std::size_t>(size)) : std::string();
}

// The path as the kernel takes it: relative to the caller's working directory or to a directory
// it holds open.
std::string Path(pid_t pid, std::uint64_t address, int directory = AT_FDCWD) {
  std::string path = Text(pid, address);
  if (path.empty() || path[0] == '/' || path[0] == '(') return path;
  const std::string proc = "/proc/" + std::to_string(pid);
  const std::string base = Link(directory == AT_FDCWD ? proc + "/cwd" : proc + "/fd/" + std::to_string(directory));
  return base.empty() ? path : base + (base == "/" ? "" : "/") + path;
}

int Int(std::uint64_t value) { return static_cast<int>(static_cast<std::int64_t>(value)); }

std::string SignalName(int signal) {
  const char* name = sigabbrev_np(signal);
  return name != nullptr ? "SIG" + std::string(name) : "signal " + std::to_string(signal);
}

std::string LimitName(int resource) {
  static const std::array<const char*, 16> names{
      "RLIMIT_CPU",      "RLIMIT_FSIZE",  "RLIMIT_DATA",    "RLIMIT_STACK", "RLIMIT_CORE",  "RLIMIT_RSS",
      "RLIMIT_NPROC",    "RLIMIT_NOFILE", "RLIMIT_MEMLOCK", "RLIMIT_AS",    "RLIMIT_LOCKS", "RLIMIT_SIGPENDING",
      "RLIMIT_MSGQUEUE", "RLIMIT_NICE",   "RLIMIT_RTPRIO",  "RLIMIT_RTTIME"};
  return resource >= 0 && resource < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(resource)]
                                                                    : "resource " + std::to_string(resource);
}

// Opening `path` with `flags`: "creates P" when the file is not there yet, else "opens P for writing".
std::string Opening(const std::string& path, std::uint64_t flags) {
  if ((flags & Writing) == 0) return {};
  struct stat status {};
  if ((flags & O_CREAT) != 0 && ::stat(path.c_str(), &status) != 0) return "creates " + path;
  return "opens " + path + " for writing";
}

std::string Disposition(pid_t pid, const seccomp_data& data) {
  // The signals below the first real-time one a program may use are the C library's own (its
  // threads' cancellation and set-id calls): it sets their handlers as it starts a thread.
  if (Int(data.args[0]) >= 32 && Int(data.args[0]) < SIGRTMIN) return {};
  // The kernel's struct sigaction begins with the handler.
  std::uint64_t handler = 0;
  const std::string name = SignalName(Int(data.args[0]));
  if (!Read(pid, data.args[1], handler)) return "sets " + name + " to a handler";
  if (handler == reinterpret_cast<std::uintptr_t>(SIG_IGN)) return "sets " + name + " to be ignored";
  if (handler == reinterpret_cast<std::uintptr_t>(SIG_DFL)) return "sets " + name + " to its default action";
  return "sets " + name + " to a handler of its own";
}

std::string Cloning(std::uint64_t flags) {
  return (flags & CLONE_THREAD) != 0 ? "starts a thread" : "starts a process";
}

std::string Octal(std::uint64_t mode) {
  std::ostringstream text;
  text << '0' << std::oct << (mode & 0777);
  return text.str();
}

std::string Files(pid_t pid, const seccomp_data& data) {
  const auto& a = data.args;
  switch (data.nr) {
#ifdef __NR_open
    case __NR_open:
      return Opening(Path(pid, a[0]), a[1]);
    case __NR_creat:
      return Opening(Path(pid, a[0]), O_CREAT | O_WRONLY);
    case __NR_rename:
      return "renames " + Path(pid, a[0]) + " to " + Path(pid, a[1]);
    case __NR_unlink:
      return "removes " + Path(pid, a[0]);
    case __NR_mkdir:
      return "makes the directory " + Path(pid, a[0]);
    case __NR_rmdir:
      return "removes the directory " + Path(pid, a[0]);
    case __NR_link:
      return "links " + Path(pid, a[1]) + " to " + Path(pid, a[0]);
    case __NR_symlink:
      return "makes the symbolic link " + Path(pid, a[1]);
    case __NR_mknod:
      return "makes " + Path(pid, a[0]);
#endif
    case __NR_openat:
      return Opening(Path(pid, a[1], Int(a[0])), a[2]);
    case __NR_openat2: {
      std::uint64_t flags = 0;  // struct open_how begins with the flags
      return Read(pid, a[2], flags) ? Opening(Path(pid, a[1], Int(a[0])), flags) : std::string();
    }
    case __NR_renameat:
    case __NR_renameat2:
      return "renames " + Path(pid, a[1], Int(a[0])) + " to " + Path(pid, a[3], Int(a[2]));
    case __NR_unlinkat:
      return ((a[2] & AT_REMOVEDIR) != 0 ? "removes the directory " : "removes ") + Path(pid, a[1], Int(a[0]));
    case __NR_mkdirat:
      return "makes the directory " + Path(pid, a[1], Int(a[0]));
    case __NR_linkat:
      return "links " + Path(pid, a[3], Int(a[2])) + " to " + Path(pid, a[1], Int(a[0]));
    case __NR_symlinkat:
      return "makes the symbolic link " + Path(pid, a[2], Int(a[1]));
    case __NR_mknodat:
      return "makes " + Path(pid, a[1], Int(a[0]));
    case __NR_truncate:
      return "truncates " + Path(pid, a[0]);
    default:
      return {};
  }
}

std::string Process(pid_t pid, const seccomp_data& data) {
  const auto& a = data.args;
  switch (data.nr) {
#ifdef __NR_fork
    case __NR_fork:
    case __NR_vfork:
      return "starts a process";
    case __NR_alarm:
      return "sets an alarm";
#endif
    case __NR_clone:
      return Cloning(a[0]);
    case __NR_clone3: {
      std::uint64_t flags = 0;  // struct clone_args begins with the flags
      return Read(pid, a[0], flags) ? Cloning(flags) : "starts a process or thread";
    }
    case __NR_execve:
      return "runs " + Path(pid, a[0]);
    case __NR_execveat:
      return "runs " + Path(pid, a[1], Int(a[0]));
    case __NR_socket:
    case __NR_socketpair:
      return "opens a socket";
    case __NR_rt_sigaction:
      return Disposition(pid, data);
    case __NR_chdir:
      return "changes the working directory to " + Path(pid, a[0]);
    case __NR_fchdir:
      return "changes the working directory to " + Link("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(a[0]));
    case __NR_setrlimit:
      return "sets the resource limit " + LimitName(Int(a[0]));
    case __NR_prlimit64:
      return "sets the resource limit " + LimitName(Int(a[1]));
    case __NR_umask:
      return "sets the umask to " + Octal(a[0]);
    case __NR_setitimer:
    case __NR_timer_create:
      return "sets a timer";
    case __NR_setpriority:
    case __NR_sched_setaffinity:
    case __NR_sched_setscheduler:
    case __NR_sched_setparam:
      return "changes the process's scheduling";
    case __NR_setsid:
    case __NR_setpgid:
      return "changes the process's group or session";
    case __NR_chroot:
      return "changes the root directory to " + Path(pid, a[0]);
    default:
      return {};
  }
}

}  // namespace

std::vector<sock_filter> ReachFilter() {
  if (Architecture == 0) return {};
  Program program;
#ifdef __NR_open
  program.AnyBit(__NR_open, 1, Writing);
  for (const int number : {__NR_creat, __NR_rename, __NR_unlink, __NR_mkdir, __NR_rmdir, __NR_link, __NR_symlink,
                           __NR_mknod, __NR_fork, __NR_vfork, __NR_alarm}) {
    program.Always(number);
  }
#endif
  program.AnyBit(__NR_openat, 2, Writing);
  for (const int number : {__NR_openat2,
                           __NR_renameat,
                           __NR_renameat2,
                           __NR_unlinkat,
                           __NR_mkdirat,
                           __NR_linkat,
                           __NR_symlinkat,
                           __NR_mknodat,
                           __NR_truncate,
                           __NR_clone,
                           __NR_clone3,
                           __NR_execve,
                           __NR_execveat,
                           __NR_socket,
                           __NR_socketpair,
                           __NR_chdir,
                           __NR_fchdir,
                           __NR_setrlimit,
                           __NR_umask,
                           __NR_setitimer,
                           __NR_timer_create,
                           __NR_setpriority,
                           __NR_sched_setaffinity,
                           __NR_sched_setscheduler,
                           __NR_sched_setparam,
                           __NR_setsid,
                           __NR_setpgid,
                           __NR_chroot}) {
    program.Always(number);
  }
  program.NotNull(__NR_rt_sigaction, 1);
  program.NotNull(__NR_prlimit64, 2);
  return program.Done();
}

std::string DescribeCall(const seccomp_notif& call) {
  const auto pid = static_cast<pid_t>(call.pid);
  std::string text = Files(pid, call.data);
  return text.empty() ? Process(pid, call.data) : text;
}

}  // namespace vexdrive
