// The settings of the C and C++ runtimes that hold for the whole process and that no system call
// shows, as they stand at one moment: the C locale of each category and the global C++ locale; the
// floating-point environment (rounding, the exceptions that trap, flush-to-zero and
// denormals-are-zero, the x87 precision); the standard streams, both narrow and wide (formatting
// flags, precision, width, fill, the exceptions they throw, their locale, their buffer, their tie);
// the standard C streams (which FILE each name is, their buffering and orientation); and the
// new-handler and terminate handler. The environment, the working directory, the umask and the
// signal dispositions are ProcessBaseline's.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <locale>
#include <new>
#include <string>
#include <vector>

namespace vexdrive {

class RuntimeSettings {
 public:
  static RuntimeSettings Now();

  bool operator==(const RuntimeSettings& other) const;
  // What differs in `now`, one text for each setting: "changes the C locale of LC_NUMERIC from C
  // to de_DE.UTF-8", "changes the precision of std::cout from 6 to 12".
  std::vector<std::string> ChangesTo(const RuntimeSettings& now) const;
  // Puts these settings back. The C streams' buffering and orientation cannot be put back once a
  // stream was used: the caller compares again.
  void Restore() const;

  struct Stream {
    const char* Name = "";
    long Flags = 0;
    long Precision = 0;
    long Width = 0;
    long Fill = 0;
    int Exceptions = 0;
    std::locale Locale;
    const void* Buffer = nullptr;
    const void* Tie = nullptr;
    bool operator==(const Stream& other) const;
  };
  struct CStream {
    const char* Name = "";
    const void* File = nullptr;
    std::size_t BufferSize = 0;
    int LineBuffered = 0;
    int Orientation = 0;
    bool operator==(const CStream& other) const = default;
  };

 private:
  static std::string CLocaleChange(const std::array<std::string, 6>& before, const std::array<std::string, 6>& now);
  static std::string FloatingPointChange(const RuntimeSettings& before, const RuntimeSettings& now);

  std::array<std::string, 6> _CLocale;  // LC_CTYPE, LC_NUMERIC, LC_TIME, LC_COLLATE, LC_MONETARY, LC_MESSAGES
  std::locale _Global;
  int _Rounding = 0;
  int _Traps = 0;
  std::uint32_t _Control = 0;     // MXCSR's control bits (x86-64), FPCR (AArch64)
  std::uint16_t _X87Control = 0;  // the x87 control word (x86-64)
  std::array<Stream, 8> _Streams;
  std::array<CStream, 3> _CStreams;
  std::new_handler _NewHandler = nullptr;
  std::terminate_handler _Terminate = nullptr;
};

}  // namespace vexdrive
