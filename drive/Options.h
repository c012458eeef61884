// What the command line asks of a run.
#pragma once

#include <string>
#include <vector>

namespace vexdrive {

struct Profile;

struct Options {
  std::string Document;  // empty: the embedded document
  std::string Module;
  std::string Resources;
  std::string Script;  // empty: standard input; "-" too
  std::string Svg;
  std::string Journal;
  std::vector<int> FailAllocations;
  std::vector<std::string> Raises;    // "OP[@OBJECT][#N][:KIND]", already checked
  std::vector<std::string> Statuses;  // "OP[@OBJECT][#N]=STATUS", already checked
  bool Check = false;
  bool Interactive = false;  // also when standard input is a terminal and no script is given
  bool PrintDocument = false;
  // The short forms of the module's dialogs that a script and the page understand (borrowed;
  // null: the generic forms alone).
  const Profile* ModuleProfile = nullptr;
};

}  // namespace vexdrive
