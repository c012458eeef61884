// Compares a validation's recorded behaviour with the approved one, path by path: a path's
// sections in every file of its command's folder (its calls and what it ends with, its fault
// outcomes) against the approved ones. A path is changed, vanished (approved, not explored) or
// appeared (explored, not approved); a file that holds no paths (the module's loading) is compared
// whole.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ApprovedFiles.h"

namespace vexvalidator {

struct PathChange {
  enum class How { Changed, Vanished, Appeared };
  How What = How::Changed;
  std::string Folder;                                // the command's folder
  std::vector<std::string> Steps;                    // the path's script lines
  std::map<std::string, std::string> Approved, Now;  // its sections, by file
};

struct FileChange {
  std::string Name;
  std::string Approved, Now;  // empty when the file is missing on that side
};

struct Comparison {
  std::vector<PathChange> Paths;  // in the order of folders, then of steps
  std::vector<FileChange> Files;
  int Compared = 0;  // paths on both sides
};

// `sameBounds`: both were explored with the same depth and states; otherwise a path on one side
// only may lie outside the other's bounds and is not reported.
Comparison Compare(const ApprovedSet& approved, const ApprovedSet& now, bool sameBounds);

// A path's sections joined in the order of its files (its calls first, then its fault outcomes).
std::string Joined(const std::map<std::string, std::string>& sections);

// The sections of a file of paths, by their steps.
std::map<std::vector<std::string>, std::string> SplitSections(const std::string& text);

}  // namespace vexvalidator
