// The text of a path's fault outcomes: for every fault family, the fault points that ran in runs of
// consecutive points that reached the same outcome ("1-3 [a3f2]; 4 [77c1]"), each outcome named by
// a label made of its digest, so that a label stays as it is whatever other outcomes come or go.
// The outcomes themselves stand once in a legend for the whole command; a path's section with the
// outcomes it names appended is what is compared and shown in a diff.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "validator/case/Case.h"
#include "validator/exploration/Planning.h"

namespace vexvalidator {

// A label for each outcome: eight hexadecimal digits of its digest, more for outcomes whose
// labels would be the same. Fewer digits would meet more often, and a label that grew where a
// larger set of outcomes met would differ between validations under other bounds.
std::vector<std::string> OutcomeLabels(const std::vector<std::string>& outcomes);

// "1-3 [a3f2]; 4 [77c1]; 6-9 [a3f2]": each point's label, consecutive points of one label as a run.
std::string PointRuns(const std::map<int, std::string>& labels);

// The families' lines, "NAME: WHAT" each, in order; where a family's "once" line and its "from
// then on" line that follows say the same, one line stands for both ("allocation, once and from
// then on: ..."), so that the many families a fault meets no second time take a line each.
std::string FamilyLines(const std::vector<std::pair<std::string, std::string>>& families);
// The families a line's name stands for: "X, once and from then on" both "X, once" and
// "X, from then on", any other the name alone.
std::vector<std::string> FamiliesNamed(const std::string& name);

// The digest of a family's calls, written after its runs (" | calls 3f9a1c0d"): of each point and
// the digest of the calls its case made, in the order of the points.
std::string CallsDigest(const std::vector<std::uint64_t>& pointsAndDigests);
inline constexpr const char* CallsMark = " | calls ";

// The legend: "[label] " and an outcome's first line, its further lines indented, by label.
std::string LegendText(const std::map<std::string, std::string>& outcomes);
std::map<std::string, std::string> ReadLegend(const std::string& text);

// A path's section of fault points followed by "-- outcomes" and the legend of the labels it names,
// in the order it first names them.
std::string ExpandFaults(const std::string& section, const std::map<std::string, std::string>& legend);
// From an expanded section: for each family named, each point's outcome.
std::map<std::string, std::map<int, std::string>> ReadFaults(const std::string& expanded);

// The first fault case of a path (families in their order, then points) whose outcome differs
// between two expanded sections; else the first case of the first family whose calls differ;
// none when neither does.
std::optional<Case> FirstChangedFaultCase(const Path& path, const std::string& approved, const std::string& now);

}  // namespace vexvalidator
