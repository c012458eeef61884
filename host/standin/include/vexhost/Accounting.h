// Live-object accounting: what is still alive, what holds more references than it should, and
// every release made on an object whose count was already zero.
#pragma once

#include <string>
#include <vector>

namespace vexhost {

struct AccountingReport {
  std::vector<std::string> Live;          // "Class 'name'" of objects that should be gone
  std::vector<std::string> Unbalanced;    // host-owned objects holding extra references
  std::vector<std::string> OverReleases;  // releases on objects already at zero
  bool Clean() const { return Live.empty() && Unbalanced.empty() && OverReleases.empty(); }
  std::string Text() const;
};

}  // namespace vexhost
