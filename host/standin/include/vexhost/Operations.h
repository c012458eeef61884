// The operations that cross the boundary between the host and the module, by the names the
// journal gives them, and whether the fault plan can raise a host error at them. Tools check
// names given by a user against this list, so that a mistyped fault is refused, not ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexhost {

struct BoundaryOperation {
  std::string_view Name;
  bool IntoModule = false;  // the host calls the module (journaled as host->module)
  // The fault plan can raise a host error at it. Calls into the module, allocations (failed with
  // --fail-alloc instead) and destructions that are only journaled cannot raise.
  bool CanRaise = false;
};

// Every operation, in order of names.
const std::vector<BoundaryOperation>& BoundaryOperations();
// The operation of that name, or null.
const BoundaryOperation* FindBoundaryOperation(std::string_view name);
// The names of the operations that can raise, joined with ", ".
std::string RaisableOperationNames();

}  // namespace vexhost
