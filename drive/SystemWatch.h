// A watch at the system boundary: the system calls by which a module reaches outside the host
// (files created, written, renamed or removed; processes and threads started; sockets; signal
// dispositions; the working directory; resource limits; the umask; timers; the scheduling), seen
// whatever library or path made them.
//
// A seccomp filter sends each such call to a watcher process, a child forked before the filter is
// installed, which lets every call go on unchanged (the module behaves as it would without the
// watch) and, while the watch is open, notes in memory the two processes share what the call was
// and what it touched ("creates /tmp/x.txt", "starts a thread"). Only calls of the watched process
// (its threads included) are noted: not those of the processes it starts. Open the watch only while
// the module's code may run: what the host, the front end or a sanitizer's runtime does around it
// is theirs.
//
// The filter and the watcher stay for the life of the process (a filter cannot be taken off, and
// without its watcher every watched call would fail); the calls it catches then cost a round trip
// to the watcher, some tens of microseconds, open or not. Every other call costs the filter's few
// instructions.
#pragma once

#include <string>
#include <vector>

namespace vexdrive {

class SystemWatch {
 public:
  // This process's watch, started at the first call (in a process forked from one that had a
  // watch, a watch of its own). nullptr where the kernel offers none (another system, a filter
  // refused, a run under an emulator that does not pass filters on).
  static SystemWatch* OfProcess();

  // Whether the calls seen now are noted.
  void Open();
  void Close();

  // What was noted since the last Take, in order, each text once.
  std::vector<std::string> Take();

  struct Shared;

 private:
  explicit SystemWatch(Shared* shared) : _Shared(shared) {}
  Shared* _Shared;
};

// Opens a watch (if there is one) for the life of the object.
class OpenWatch {
 public:
  explicit OpenWatch(SystemWatch* watch) : _Watch(watch) {
    if (_Watch != nullptr) _Watch->Open();
  }
  ~OpenWatch() {
    if (_Watch != nullptr) _Watch->Close();
  }
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;

 private:
  SystemWatch* _Watch;
};

// The changes a before-and-after comparison found, less those that a call the watch saw already
// names (a handler set, the working directory or the umask changed, a thread started): one fault,
// one finding.
std::vector<std::string> NotSeenByWatch(const std::vector<std::string>& changes, const std::vector<std::string>& seen);

// The calls seen, less the signal dispositions put back before the comparison after them
// (`changes`) was made: std::system ignores SIGINT and SIGQUIT while it waits, and the process it
// started is the finding.
std::vector<std::string> LeftInPlace(const std::vector<std::string>& seen, const std::vector<std::string>& changes);

}  // namespace vexdrive
