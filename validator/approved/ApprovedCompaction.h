// Repeats written once. Many paths end on the same drawing of their dialogs, and many swept paths
// reach the same fault outcomes point for point: a file of paths writes such a part in full where
// it first stands, under a name made of its digest, and names it wherever it stands again.
//
//   drawing 3fa2c1d0:                    a drawing written in full, named
//   | += Create ... ==+
//   shown as drawing 3fa2c1d0            the same drawing again
//
//   -- fault points (set 0b41e9a7), the outcome each reached, the digest of their calls
//   allocation, once and from then on: 1-22 [0e74d90c] | calls 04d7c2a5
//   -- fault points as set 0b41e9a7      the same points and outcomes again
//
// A part that stands once keeps no name. The names come from the parts' texts, so that they are
// the same whatever the order in which the cases ran, and a part changed gets a name of its own.
// Comparing expands the names first: a changed drawing shows as the drawing that changed.
#pragma once

#include <string>

namespace vexvalidator {

// The heading of a path's fault points, as expanded.
inline constexpr const char* FaultPointsHeading =
    "-- fault points, the outcome each reached, the digest of their calls";

// A file's text with each repeated drawing and section of fault points written once, then named.
std::string Compacted(const std::string& text);
// The text with every name put back in full; a name the file does not hold stands as
// "(drawing NAME is not in the file)" or "(set NAME is not in the file)", so that it shows in a diff.
std::string Expanded(const std::string& text);

}  // namespace vexvalidator
