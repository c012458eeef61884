// Small helpers for the child processes: how one ended, and writing a whole text to a pipe.
#pragma once

#include <string>

namespace vexvalidator {

// "signal SIGSEGV (Segmentation fault)", "the process exited with code 3".
std::string EndText(int waitStatus);
// Writes all of `text`; false when the other end is gone.
bool WriteAll(int fd, const std::string& text);

}  // namespace vexvalidator
