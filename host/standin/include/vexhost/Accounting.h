// Live-object accounting: what is still alive, what holds more references than it should, every
// release made on an object already dead, and every other call on a dead object.
#pragma once

#include <string>
#include <vector>

namespace vexhost {

struct AccountingReport {
  std::vector<std::string> Live;          // "Class 'name'" of objects that should be gone
  std::vector<std::string> Unbalanced;    // host-owned objects holding more or fewer references
  std::vector<std::string> OverReleases;  // releases on objects whose last reference was gone
  std::vector<std::string> Violations;    // other calls on dead objects, AddRef from zero
  bool Clean() const { return Live.empty() && Unbalanced.empty() && OverReleases.empty() && Violations.empty(); }
  std::string Text() const;
};

}  // namespace vexhost
