// Resource files: one JSON object per file, named after what GetResourceFilename returns, that
// maps keys to texts: {"InterimProductPanel": "Create Interim Product", ...}.
#include "Resources.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "session/SessionState.h"

namespace vexhost::detail {

namespace {

// The resource files the session has read, by name: their texts by key.
struct ResourceCache {
  std::map<std::string, std::map<std::string, std::string>> Files;
};

// A bad file is said once a process, however many sessions read it (the validator opens
// thousands, in workers forked after the first session checked the folders).
void ReportOnce(const std::filesystem::path& path, const std::string& problem) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  const std::lock_guard lock(mutex);
  if (!reported.insert(path.string()).second) return;
  std::fprintf(stderr, "vexhost: resource file %s ignored: %s\n", path.string().c_str(), problem.c_str());
}

// The library's message without its "[json.exception...] " tag: "parse error at line 3, column 7: ...".
std::string WithoutTag(const char* message) {
  const std::string text = message;
  const std::size_t tag = text.rfind("] ", text.find(' '));
  return tag == std::string::npos ? text : text.substr(tag + 2);
}

// The file's texts, or nothing (said once) when it is not one JSON object of texts: a file is used
// whole or not at all.
std::optional<std::map<std::string, std::string>> ParseResourceFile(const std::filesystem::path& path,
                                                                    std::istream& in) {
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(in);
  } catch (const nlohmann::json::exception& error) {
    ReportOnce(path, WithoutTag(error.what()));
    return std::nullopt;
  }
  if (!document.is_object()) {
    ReportOnce(path, std::string("/: expected an object of texts, not ") + document.type_name());
    return std::nullopt;
  }
  std::map<std::string, std::string> texts;
  for (const auto& [key, value] : document.items()) {
    if (!value.is_string()) {
      const std::string place = (nlohmann::json::json_pointer() / key).to_string();
      ReportOnce(path, place + ": expected a text, not " + value.type_name());
      return std::nullopt;
    }
    texts[key] = value.get<std::string>();
  }
  return texts;
}

// Reads "<dir>/<file>.json" from the first resource folder that has it; a bad file counts as none.
std::map<std::string, std::string> ReadResourceFile(const std::vector<std::string>& dirs, const std::string& file) {
  for (const auto& dir : dirs) {
    const std::filesystem::path path = std::filesystem::path(dir) / (file + ".json");
    std::ifstream in(path);
    if (!in) continue;
    return ParseResourceFile(path, in).value_or(std::map<std::string, std::string>());
  }
  return {};
}

}  // namespace

void CheckResourceFolders(const std::vector<std::string>& dirs) {
  static std::mutex mutex;
  static std::set<std::string> checked;
  for (const auto& dir : dirs) {
    {
      const std::lock_guard lock(mutex);
      if (!checked.insert(dir).second) continue;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
      if (entry.path().extension() != ".json" || !entry.is_regular_file(error)) continue;
      std::ifstream in(entry.path());
      if (in) ParseResourceFile(entry.path(), in);
    }
  }
}

bool LookUpResource(const std::string& file, const std::string& key, std::string& text) {
  if (!HasSession()) return false;
  Session::State& state = CurrentState();
  auto& files = state.Parts.Obtain<ResourceCache>().Files;
  auto cached = files.find(file);
  if (cached == files.end()) cached = files.emplace(file, ReadResourceFile(state.Options.ResourceDirs, file)).first;
  auto found = cached->second.find(key);
  if (found == cached->second.end()) return false;
  text = found->second;
  return true;
}

}  // namespace vexhost::detail
