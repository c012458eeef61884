// The families of faults swept over every path: each host allocation failed, each boundary call
// raising a VexError or an error of another kind, each call of an operation that answers a
// status answering a negative one, and each call of an operation that may answer without its
// result (a success without an object, no text for a key) doing so; each once and from then on. A family writes the
// script line that arms its nth fault, so that the case and its replay arm the very same fault.
#pragma once

#include <string>
#include <vector>

#include "drive/Action.h"

namespace vexvalidator {

struct FaultFamily {
  enum class Kind { Allocation, VexError, SystemError, Status, EmptyAnswer };
  Kind What;
  vexdrive::FaultWhen When;
  std::string Operation;  // for a status or an empty answer: the operation that answers it

  std::string Name() const;  // "allocation, once", "negative status of CanCreate, from then on", ...
  std::string Line(int nth) const;
};

// Every family, in the order they are swept.
const std::vector<FaultFamily>& FaultFamilies();

// The status a status fault makes an operation answer.
inline constexpr int NegativeStatus = -1;

}  // namespace vexvalidator
