// The product tree as the document now holds it, drawn as text, and the changes a step made to
// it, described.
#pragma once

#include <string>
#include <vector>

#include "vexhost/Document.h"
#include "vexhost/ProductWatch.h"

namespace vexdrive {

// "Hull/Block A" from {"Hull", "Block A"}, printable.
std::string PathText(const std::vector<std::string>& names);
// The document's name, its active product and its tree, one product a line.
std::string DrawTree(const vexhost::DocumentData& document);
// One line for each product that appeared and each part number that changed, in order of paths;
// a part number set back to what it was is no change. An opened document comes first.
std::vector<std::string> DescribeChanges(const std::vector<vexhost::ProductChange>& changes);

}  // namespace vexdrive
