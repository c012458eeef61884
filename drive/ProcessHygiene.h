// What a module must leave of the process it runs in as it found it: the working directory, the
// environment, the umask, the signal handlers, the threads, the open descriptors and the settings
// of the C and C++ runtimes (RuntimeSettings.h). A baseline is
// taken before the module runs; it then tells what differs. The check that nothing differs is
// cheap enough to run after every case of a validation; naming what differs costs more and is done
// only when something does.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "RuntimeSettings.h"

namespace vexdrive {

class ProcessBaseline {
 public:
  // Takes the baseline now. Keeps a descriptor of its own open (to count the process's threads),
  // so take it after the descriptors that should stay are open.
  ProcessBaseline();
  ProcessBaseline(const ProcessBaseline&) = delete;
  ProcessBaseline& operator=(const ProcessBaseline&) = delete;
  ~ProcessBaseline();

  // Whether the process is as the baseline found it: a few system calls. Of the signal handlers it
  // compares those of the signals a program commonly handles; Changes() compares them all.
  // The umask is read by setting it, a system call a watch at the system boundary catches: where a
  // watch sees it set, leave it out (`umaskToo` false), and the check costs no such call.
  bool Unchanged(bool umaskToo = true) const;
  // What differs, one text for each kind of change ("changes the working directory from /a to
  // /b", "leaves a thread running", ...); empty when nothing does.
  std::vector<std::string> Changes() const;
  // Puts back what can be put back: the working directory, the environment, the umask, the signal
  // handlers, the runtimes' settings; closes the descriptors left open. Returns whether the process is then as the
  // baseline found it (a thread left running cannot be taken back, nor a descriptor closed).
  bool Restore() const;

 private:
  struct Handler {
    std::uintptr_t Address = 0;  // the handler, or SIG_DFL, SIG_IGN
    bool WithInfo = false;       // SA_SIGINFO
    bool operator==(const Handler& other) const { return Address == other.Address && WithInfo == other.WithInfo; }
    struct sigaction Action {};  // as it was, to put back
  };

  int Threads() const;
  int LowestFreeDescriptor() const;
  static Handler HandlerOf(int signal);
  static std::map<int, Handler> Handlers();
  static std::map<int, std::string> Descriptors();
  static std::vector<std::string> Environment();
  static std::string Directory();
  static mode_t Umask();

  int _Tasks = -1;  // the directory /proc/self/task, kept open: one entry for each thread
  int _Threads = 0;
  int _LowestFree = 0;
  std::string _Directory;
  std::vector<std::string> _Environment;
  mode_t _Umask = 0;
  std::map<int, Handler> _Handlers;         // every signal a handler can be set for
  std::map<int, std::string> _Descriptors;  // number -> what it leads to
  RuntimeSettings _Runtime;
};

// What a finding says of text a module wrote to standard output or error (`stream`: "standard
// output"), with the first line of the text.
std::string OutputFinding(std::string_view stream, std::string_view text);

}  // namespace vexdrive
