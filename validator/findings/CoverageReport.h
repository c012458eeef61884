// The parts of the report that say how far the validation reached: the coverage of each command
// (transitions fired and never fired, states and dialogs reached, widgets acted on, fault points
// reached by each family, the slowest steps), the bounds met and what could not be explored and
// why. In the text report and in the JSON alike.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Outcome.h"

namespace vexvalidator {

// Each bound the validation met, as a sentence; none when the validation went as far as it could.
std::vector<std::string> BoundsMet(const Outcome& outcome);
// What could not be explored or swept, and why.
std::vector<std::string> NotExplored(const Outcome& outcome);

void WriteCoverage(std::ostream& out, const Outcome& outcome);
nlohmann::ordered_json CoverageJson(const Outcome& outcome);

}  // namespace vexvalidator
