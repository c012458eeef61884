// The product tree as the document now holds it: drawn as text, searched by path, and compared
// with an earlier state of itself.
#pragma once

#include <string>
#include <vector>

#include "vexhost/Document.h"

namespace vexshell {

// "Hull/Block A" from {"Hull", "Block A"}.
std::string PathText(const std::vector<std::string>& names);
// The product at a path of names from the root joined with '/', or null.
const vexhost::ProductData* FindProduct(const vexhost::DocumentData& document, const std::string& path);
// The document's name, its active product and its tree, one product a line.
std::string DrawTree(const vexhost::DocumentData& document);
// What differs from `before` to `after`: products that appeared or went, part numbers that changed.
std::vector<std::string> TreeChanges(const vexhost::DocumentData& before, const vexhost::DocumentData& after);

}  // namespace vexshell
