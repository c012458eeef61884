// Live-object accounting: what is still alive, what holds more references than it should, every
// release made on an object already dead or on one the module holds no reference to, every other
// call on a dead object, and every other misuse the host tolerates but records.
#pragma once

#include <string>
#include <vector>

namespace vexhost {

struct AccountingReport {
  std::vector<std::string> Live;          // "Class 'name'" of objects that should be gone
  std::vector<std::string> Unbalanced;    // host-owned objects holding more or fewer references
  std::vector<std::string> OverReleases;  // releases on objects whose last reference was gone, or
                                          // on host-owned objects the module holds no reference to
  std::vector<std::string> Violations;    // other calls on dead objects, AddRef from zero
  // Calls the host carries out (or refuses) but a strict host would not take: a text that is not
  // UTF-8, a second delayed destruction, a call made while the module loads, ...
  std::vector<std::string> Misuses;
  // Commands a registered name's factory made of another class than the registered one.
  std::vector<std::string> WrongClasses;
  // Host calls made on another thread than the user-interface thread.
  std::vector<std::string> OffThreadCalls;
  bool Clean() const {
    return Live.empty() && Unbalanced.empty() && OverReleases.empty() && Violations.empty() && Misuses.empty() &&
           WrongClasses.empty() && OffThreadCalls.empty();
  }
  std::string Text() const;
};

}  // namespace vexhost
