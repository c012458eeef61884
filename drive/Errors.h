// The shell's errors. Each ends the run with exit code 2, except that an interactive session
// reports a line error and goes on.
#pragma once

#include <stdexcept>

namespace vexdrive {

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailedCheck = 1;  // a failed `expect`, or --check found objects left
inline constexpr int ExitBadInput = 2;     // bad usage, document, module, script file or script line

// Bad usage or input found before the script runs.
class BadInput : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A script line that cannot be understood: the message says what was expected.
class LineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An action that the current state does not allow, with the reason a person could not do it.
class ActionRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vexdrive
