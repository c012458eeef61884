// Checks a journal written by vexhost --journal: every line is one JSON object with the keys
// "op", "on", "args" (an array of texts) and "dir" ("module->host" or "host->module"), and the
// operations given with --in-order appear in that order. With --known-operations every operation
// must be one of the host's boundary operations, journaled in its direction.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "vexhost/Operations.h"

namespace {

// The problem with one line, or an empty text.
std::string Problem(const nlohmann::json& entry) {
  if (!entry.is_object()) return "not a JSON object";
  for (const char* key : {"op", "on", "args", "dir"}) {
    if (!entry.contains(key)) return std::string("no key \"") + key + "\"";
  }
  if (!entry["op"].is_string() || !entry["on"].is_string()) return "\"op\" and \"on\" must be texts";
  if (!entry["args"].is_array()) return "\"args\" must be an array";
  for (const auto& argument : entry["args"]) {
    if (!argument.is_string()) return "\"args\" must hold texts";
  }
  const auto dir = entry["dir"];
  if (dir != "module->host" && dir != "host->module") return "\"dir\" must be module->host or host->module";
  return {};
}

std::string UnknownOperation(const nlohmann::json& entry) {
  const std::string op = entry["op"];
  const vexhost::BoundaryOperation* known = vexhost::FindBoundaryOperation(op);
  if (known == nullptr) return "the host's list of boundary operations has no '" + op + "'";
  if (known->IntoModule != (entry["dir"] == "host->module")) return "'" + op + "' is listed in the other direction";
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  std::vector<std::string> inOrder;
  CLI::App app("Checks a vexhost journal");
  app.add_option("journal", path, "the journal file")->required();
  app.add_option("--in-order", inOrder, "operations that must appear in this order");
  bool knownOperations = false;
  app.add_flag("--known-operations", knownOperations, "every operation must be in the host's list");
  CLI11_PARSE(app, argc, argv);

  std::ifstream in(path);
  if (!in) {
    std::cerr << path << ": cannot be read\n";
    return 1;
  }
  std::size_t number = 0;
  std::size_t next = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
    std::string problem = entry.is_discarded() ? "not JSON" : Problem(entry);
    if (problem.empty() && knownOperations) problem = UnknownOperation(entry);
    if (!problem.empty()) {
      std::cerr << path << ": line " << number << ": " << problem << ": " << line << "\n";
      return 1;
    }
    if (next < inOrder.size() && entry["op"] == inOrder[next]) ++next;
  }
  if (number == 0) {
    std::cerr << path << ": the journal is empty\n";
    return 1;
  }
  if (next < inOrder.size()) {
    std::cerr << path << ": \"" << inOrder[next] << "\" is missing from the calls in order\n";
    return 1;
  }
  std::cout << path << ": " << number << " well-formed lines" << (inOrder.empty() ? "" : ", the calls in order")
            << "\n";
  return 0;
}
