// The validation's fixed bounds: how far a sweep and the search for a way out go. The exploration
// keeps to them, and the reports name them when they are met.
#pragma once

namespace vexvalidator {

// A sweep stops at the first fault point a run does not meet, or at this one: it bounds a module that
// never stops calling the host.
inline constexpr int MostFaultPoints = 100000;

// The search for a way out runs actions beyond the states the exploration reached, at most this many
// in a row, and this many paths in all.
inline constexpr int WayOutRounds = 3;
inline constexpr int WayOutPaths = 5000;

}  // namespace vexvalidator
