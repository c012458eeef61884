// What a case did to the products, as its record tells it: each product that appeared, with its
// class and part number; each part number that changed (one set back to what it was did not); the
// active product. Read from the changes a watch saw and from the products they name, at a cost in
// proportion to what changed, not to the document.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vexhost/ProductWatch.h"

namespace vexvalidator {

// One line each, "products: ...", in the order of the products' paths, the active product last;
// "products: as opened" when nothing changed.
std::vector<std::string> ProductEffects(vexhost::Session& session, const std::vector<vexhost::ProductChange>& changes,
                                        const std::optional<std::vector<std::string>>& openedActive);

}  // namespace vexvalidator
