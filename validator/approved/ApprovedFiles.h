// The approved directory on disk: a manifest (approved.txt) that names the bounds of the
// exploration that recorded it and every file it holds, and those files, plain text. Writing
// replaces the files an earlier manifest named and leaves any other file in the directory alone.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace vexvalidator {

class ApprovedError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The manifest names a format this validator does not read: recorded by another version of it.
class ApprovedFormatError : public ApprovedError {
 public:
  using ApprovedError::ApprovedError;
};

struct ApprovedSet {
  std::string Document;  // the document's name
  int Depth = 0;
  int States = 0;
  std::map<std::string, std::string> Files;  // by name relative to the directory: the text
};

inline constexpr const char* ManifestName = "approved.txt";

// What the directory holds; nothing when it holds no manifest (or does not exist). Throws
// ApprovedError when it is no directory, or its manifest is malformed or names a missing file, and
// ApprovedFormatError when the manifest's format is not the one this validator writes.
std::optional<ApprovedSet> ReadApproved(const std::string& directory);
// Throws ApprovedError when the directory could not be made or written, or `directory` is a file.
void CheckApprovedDirectory(const std::string& directory);
// Writes the set: each file whole (through a temporary file), then the manifest; the files the
// old manifest named and the new one does not are removed. Throws ApprovedError.
void WriteApproved(const std::string& directory, const ApprovedSet& set);

// Whether a name from a manifest stays inside the directory: relative, no "." or ".." part.
bool SafeRelativeName(const std::string& name);

}  // namespace vexvalidator
