#include "Case.h"

#include <functional>
#include <tuple>

namespace vexvalidator {

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::Load:
      return "load";
    case Phase::Lifecycle:
      return "lifecycle";
    case Phase::Exploration:
      return "exploration";
    case Phase::Faults:
      return "faults";
    case Phase::Random:
      return "random";
  }
  return "";
}

bool Simpler(const Occurrence& a, const Occurrence& b) {
  // A case without a fault first, then the shortest, a fault met once before one from then on,
  // then a fixed order, so that reports do not depend on which worker ran what first.
  auto key = [](const Occurrence& o) {
    const bool persistent = o.Where.Label.find("from then on") != std::string::npos;
    return std::make_tuple(o.Where.FaultPoint != 0, o.Where.Lines.size(), o.Where.Stage, persistent,
                           std::cref(o.Where.Command), o.Where.FaultPoint, std::cref(o.Where.Label),
                           std::cref(o.Where.Lines), o.Step);
  };
  return key(a) < key(b);
}

}  // namespace vexvalidator
