// The families of faults swept over every path: each host allocation failed, each boundary call
// raising a VexError or an error of another kind, and (where the host can) each operation returning
// a negative status; each once and from then on. A family writes the script line that arms its
// nth fault, so that the case and its replay arm the very same fault.
#pragma once

#include <string>
#include <vector>

#include "GenericVerbs.h"

namespace vexvalidator {

struct FaultFamily {
  enum class Kind { Allocation, VexError, SystemError, Status };
  Kind What;
  vexshell::FaultWhen When;

  std::string Name() const;  // "allocation, once", "VexError, from then on", ...
  std::string Line(int nth) const;
};

// Every family this host supports, in the order they are swept.
const std::vector<FaultFamily>& FaultFamilies();

// The status a status fault makes an operation return.
inline constexpr int NegativeStatus = -1;

}  // namespace vexvalidator
