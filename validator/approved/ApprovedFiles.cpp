#include "ApprovedFiles.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace vexvalidator {

namespace {

namespace fs = std::filesystem;

// 2: repeated drawings and sections of fault points written once and named, and a family's "once"
// and "from then on" lines that say the same written as one.
constexpr const char* Format = "2";

// Approved files are a few hundred kilobytes; a file far larger is no approved file.
constexpr std::uintmax_t MostBytes = 64u << 20;

std::string ReadWhole(const fs::path& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || !fs::is_regular_file(path)) throw ApprovedError(path.string() + ": no such file");
  if (size > MostBytes) throw ApprovedError(path.string() + ": too large for an approved file");
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) throw ApprovedError(path.string() + ": cannot be read");
  return text.str();
}

void WriteWhole(const fs::path& path, const std::string& text) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) throw ApprovedError("cannot make the directory " + path.parent_path().string() + ": " + error.message());
  const fs::path temporary = path.string() + ".writing";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw ApprovedError("cannot write " + temporary.string());
  }
  fs::rename(temporary, path, error);
  if (error) throw ApprovedError("cannot write " + path.string() + ": " + error.message());
}

int Number(const std::string& text, const std::string& where) {
  std::size_t end = 0;
  int value = -1;
  try {
    value = std::stoi(text, &end);
  } catch (const std::exception&) {
    end = 0;
  }
  if (end != text.size() || value < 0) throw ApprovedError(where + ": '" + text + "' is not a whole number");
  return value;
}

std::string Manifest(const ApprovedSet& set) {
  std::string text =
      "# The approved behaviour of a command module, as `vexhost validate --approved` recorded it. Review a\n"
      "# change to these files as a diff; `vexhost validate MODULE --approved DIR --approve` rewrites them.\n";
  text += "format: " + std::string(Format) + "\n";
  text += "document: " + set.Document + "\n";
  text += "depth: " + std::to_string(set.Depth) + "\n";
  text += "states: " + std::to_string(set.States) + "\n";
  for (const auto& [name, unused] : set.Files) text += "file: " + name + "\n";
  return text;
}

}  // namespace

bool SafeRelativeName(const std::string& name) {
  const fs::path path(name);
  if (name.empty() || path.is_absolute() || name.find('\\') != std::string::npos) return false;
  for (const auto& part : path) {
    if (part == "." || part == ".." || part.empty()) return false;
  }
  return name.back() != '/';
}

std::optional<ApprovedSet> ReadApproved(const std::string& directory) {
  std::error_code error;
  if (!fs::exists(directory, error)) return std::nullopt;
  if (!fs::is_directory(directory, error)) throw ApprovedError(directory + ": not a directory");
  const fs::path manifest = fs::path(directory) / ManifestName;
  if (!fs::exists(manifest, error)) return std::nullopt;
  const std::string where = manifest.string();
  ApprovedSet set;
  bool formatSeen = false;
  std::istringstream lines(ReadWhole(manifest));
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const auto colon = line.find(": ");
    const std::string at = where + ": line " + std::to_string(number);
    if (colon == std::string::npos) throw ApprovedError(at + ": expected KEY: VALUE");
    const std::string key = line.substr(0, colon);
    const std::string value = line.substr(colon + 2);
    if (key == "format") {
      if (value != Format) {
        throw ApprovedFormatError(at + ": the approved behaviour is recorded in format " + value +
                                  ", and this validator reads format " + Format +
                                  " only: record it again with --approve (or VEXHOST_UPDATE_GOLDEN=1), then review "
                                  "and commit it");
      }
      formatSeen = true;
    } else if (key == "document") {
      set.Document = value;
    } else if (key == "depth") {
      set.Depth = Number(value, at);
    } else if (key == "states") {
      set.States = Number(value, at);
    } else if (key == "file") {
      if (!SafeRelativeName(value)) throw ApprovedError(at + ": '" + value + "' is not a name inside the directory");
      set.Files[value] = ReadWhole(fs::path(directory) / value);
    } else {
      throw ApprovedError(at + ": unknown key '" + key + "'");
    }
  }
  if (!formatSeen) throw ApprovedError(where + ": no format line");
  return set;
}

void CheckApprovedDirectory(const std::string& directory) {
  std::error_code error;
  if (fs::exists(directory, error) && !fs::is_directory(directory, error)) {
    throw ApprovedError(directory + ": not a directory");
  }
}

void WriteApproved(const std::string& directory, const ApprovedSet& set) {
  CheckApprovedDirectory(directory);
  std::vector<std::string> old;
  try {
    if (const auto earlier = ReadApproved(directory)) {
      for (const auto& [name, unused] : earlier->Files) old.push_back(name);
    }
  } catch (const ApprovedError&) {
    // A manifest that cannot be read names nothing to remove: it is replaced all the same.
  }
  for (const auto& [name, text] : set.Files) {
    if (!SafeRelativeName(name)) throw ApprovedError("'" + name + "' is not a name inside the directory");
    WriteWhole(fs::path(directory) / name, text);
  }
  WriteWhole(fs::path(directory) / ManifestName, Manifest(set));
  for (const auto& name : old) {
    if (set.Files.count(name) != 0) continue;
    std::error_code error;
    fs::remove(fs::path(directory) / name, error);
    // A folder the old files alone filled goes with them.
    for (fs::path folder = fs::path(name).parent_path(); !folder.empty(); folder = folder.parent_path()) {
      const fs::path inside = fs::path(directory) / folder;
      if (!fs::is_empty(inside, error) || error || !fs::remove(inside, error)) break;
    }
  }
}

}  // namespace vexvalidator
