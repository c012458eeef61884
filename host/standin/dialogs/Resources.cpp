// Resource files: one JSON object per file, named after what GetResourceFilename returns, that
// maps keys to texts: {"InterimProductPanel": "Create Interim Product", ...}.
#include "Resources.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
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

// Reads "<dir>/<file>.json" from the first resource folder that has it; an unreadable or
// malformed file counts as no file, and is reported once on standard error.
std::map<std::string, std::string> ReadResourceFile(const std::vector<std::string>& dirs, const std::string& file) {
  std::map<std::string, std::string> texts;
  for (const auto& dir : dirs) {
    const std::filesystem::path path = std::filesystem::path(dir) / (file + ".json");
    std::ifstream in(path);
    if (!in) continue;
    try {
      const auto document = nlohmann::json::parse(in);
      for (const auto& [key, value] : document.items()) {
        if (value.is_string()) texts[key] = value.get<std::string>();
      }
    } catch (const nlohmann::json::exception& error) {
      std::fprintf(stderr, "vexhost: resource file %s ignored: %s\n", path.string().c_str(), error.what());
      texts.clear();
    }
    break;
  }
  return texts;
}
}  // namespace

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
