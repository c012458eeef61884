// Under --check, tells what the module writes to standard output and error from what the run
// writes there. While it watches, descriptors 1 and 2 lead through pipes to a small helper process
// (forked before the module is loaded) that passes everything on unchanged, so that a replay still
// shows the module's output and a crash's last words, and counts it; the run itself writes to the
// descriptors it was given, through Out() and Err().
#pragma once

#include <sys/types.h>

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace vexshell {

class OutputWatch {
 public:
  // What the module wrote, as far as the helper kept it.
  struct Heard {
    std::string Out;
    std::string Err;
  };

  // Starts watching; throws std::runtime_error when it cannot.
  OutputWatch();
  OutputWatch(const OutputWatch&) = delete;
  OutputWatch& operator=(const OutputWatch&) = delete;
  ~OutputWatch();

  // The run's own streams: straight to where standard output and error went before.
  std::ostream& Out() { return _Out; }
  std::ostream& Err() { return _Err; }

  // Ends the watch: descriptors 1 and 2 lead where they did, and the helper tells what it heard.
  Heard Stop();

 private:
  class FdBuffer : public std::streambuf {
   public:
    explicit FdBuffer(int fd) : _Fd(fd) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize size) override;

   private:
    int _Fd;
  };

  int _SavedOut;  // where standard output went before
  int _SavedErr;
  int _Report = -1;  // the helper's account, read at Stop
  pid_t _Helper = -1;
  bool _Stopped = false;
  FdBuffer _OutBuffer;
  FdBuffer _ErrBuffer;
  std::ostream _Out;
  std::ostream _Err;
};

}  // namespace vexshell
