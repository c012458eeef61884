// Keeps what is written to standard output and error in a process of the validator's (a worker, the
// probe of loading) apart from the validator's own report: descriptors 1 and 2 lead to files in
// memory, read after each case. What arrived there was written by the module.
#pragma once

#include <string>
#include <vector>

#include "validator/case/Case.h"

namespace vexvalidator {

class OutputCapture {
 public:
  // Descriptors 1 and 2 lead to memory files from now on; the process's own messages go to
  // where standard error led before (Complain). Exits the process when it cannot.
  OutputCapture();
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;

  // What was written since the last call, as process-hygiene findings; the files are emptied.
  std::vector<Finding> Take();
  // Writes one of the process's own messages where standard error led before.
  void Complain(const std::string& text) const;

 private:
  int _Out = -1;  // the memory files, also open as descriptors 1 and 2
  int _Err = -1;
  int _SavedErr = -1;
};

}  // namespace vexvalidator
