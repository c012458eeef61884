#include "PageActions.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "vexhost/FaultPlan.h"

namespace vexweb {

namespace {

enum class Takes { Nothing, Text, OptionalText };

struct PageVerb {
  const char* Name;
  Takes Argument;
};

// The script's verbs that a person's clicks and typing make; nothing that reads files, checks or ends.
constexpr PageVerb PageVerbs[] = {
    {"start", Takes::Text},          {"active", Takes::Text}, {"noeditor", Takes::Nothing},
    {"class", Takes::OptionalText},  {"browse", Takes::OptionalText},
    {"partnumber", Takes::OptionalText},
    {"ok", Takes::Nothing},          {"cancel", Takes::Nothing}, {"close", Takes::Nothing},
    {"ack", Takes::Nothing},
};

const PageVerb& FindVerb(const nlohmann::json& action) {
  const auto verb = action.find("verb");
  if (verb == action.end() || !verb->is_string()) throw BadRequest(400, "the action names no verb");
  const std::string name = verb->get<std::string>();
  for (const auto& known : PageVerbs) {
    if (name == known.Name) return known;
  }
  throw BadRequest(400, "the page cannot ask for '" + name.substr(0, 40) + "'");
}

std::string CheckedText(const std::string& verb, const nlohmann::json& text) {
  if (!text.is_string()) throw BadRequest(400, verb + ": the text must be a string");
  std::string value = text.get<std::string>();
  if (value.size() > LongestActionText) {
    throw BadRequest(400, verb + ": the text is longer than " + std::to_string(LongestActionText) + " bytes");
  }
  if (HoldsControl(value)) {
    throw BadRequest(400, verb + ": the text holds a line break or another control character");
  }
  return value;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

constexpr std::size_t MostFaults = 16;
constexpr std::size_t LongestFault = 200;
constexpr int LargestNth = 1000000000;

const nlohmann::json* FaultList(const nlohmann::json& request, const char* key) {
  const auto found = request.find(key);
  if (found == request.end()) return nullptr;
  if (!found->is_array()) throw BadRequest(400, std::string(key) + " must be a list");
  if (found->size() > MostFaults) throw BadRequest(400, std::string(key) + " holds more than 16 faults");
  return &*found;
}

int CheckedNth(const nlohmann::json& value) {
  if (!value.is_number_integer() || value.get<long long>() < 1 || value.get<long long>() > LargestNth) {
    throw BadRequest(400, "failAlloc: " + value.dump().substr(0, 40) + " is not a whole number from 1 to 1000000000");
  }
  return value.get<int>();
}

using FaultParser = std::optional<vexhost::FaultPlan> (*)(const std::string&, std::string&, vexhost::Persistence);

// A fault in vexhost's own form, as its option would take it.
std::string CheckedFault(const char* key, const char* form, FaultParser parse, const nlohmann::json& value) {
  const std::string what = std::string(key) + ": ";
  if (!value.is_string()) throw BadRequest(400, what + "each fault is a text " + form);
  const std::string text = value.get<std::string>();
  if (text.size() > LongestFault || HoldsControl(text)) {
    throw BadRequest(400, what + "'" + text.substr(0, 40) + "' is not of the form " + form);
  }
  std::string problem;
  if (!parse(text, problem, vexhost::Persistence::Once)) throw BadRequest(400, what + text + ": " + problem);
  return text;
}

}  // namespace

SessionFaults FaultsFor(const nlohmann::json& request) {
  if (!request.is_object()) throw BadRequest(400, "a new session is asked for with a JSON object");
  for (const auto& [key, value] : request.items()) {
    if (key != "failAlloc" && key != "raise" && key != "status") {
      throw BadRequest(400, "a new session has no key '" + key.substr(0, 40) + "'");
    }
  }
  SessionFaults faults;
  if (const nlohmann::json* list = FaultList(request, "failAlloc")) {
    for (const auto& value : *list) faults.FailAllocations.push_back(CheckedNth(value));
  }
  if (const nlohmann::json* list = FaultList(request, "raise")) {
    for (const auto& value : *list) {
      faults.Raises.push_back(CheckedFault("raise", "OP[@OBJECT][#N][:KIND]", vexhost::FaultPlan::ParseRaise, value));
    }
  }
  if (const nlohmann::json* list = FaultList(request, "status")) {
    for (const auto& value : *list) {
      faults.Statuses.push_back(CheckedFault("status", "OP[@OBJECT][#N]=STATUS", vexhost::FaultPlan::ParseStatus, value));
    }
  }
  return faults;
}

std::string ScriptWord(const std::string& text) {
  // A script line ends at a line break, a '#' at the start of a word begins a comment, quotes
  // open a quoted text, and blanks around the rest of a line are trimmed.
  const bool plain = !text.empty() && !IsBlank(text.front()) && !IsBlank(text.back()) &&
                     text.find_first_of("\"#") == std::string::npos;
  return plain ? text : QuotedWord(text);
}

std::string QuotedWord(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

bool HoldsControl(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) return true;
    // C1 controls (U+0080 to U+009F, NEL among them) are 0xC2 followed by 0x80 to 0x9F in UTF-8.
    if (byte == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) return true;
    }
  }
  return false;
}

std::string ScriptLineFor(const nlohmann::json& action) {
  if (!action.is_object()) throw BadRequest(400, "an action is a JSON object with a verb");
  for (const auto& [key, value] : action.items()) {
    if (key != "verb" && key != "text") throw BadRequest(400, "an action has no key '" + key.substr(0, 40) + "'");
  }
  const PageVerb& verb = FindVerb(action);
  const auto text = action.find("text");
  if (text == action.end()) {
    if (verb.Argument == Takes::Text) throw BadRequest(400, std::string(verb.Name) + " needs a text");
    return verb.Name;
  }
  if (verb.Argument == Takes::Nothing) throw BadRequest(400, std::string(verb.Name) + " takes no text");
  const std::string value = CheckedText(verb.Name, *text);
  if (verb.Argument == Takes::Text && value.empty()) throw BadRequest(400, std::string(verb.Name) + " needs a text");
  // browse with a name chooses it; browse alone lists what is offered.
  if (std::string(verb.Name) == "browse" && value.empty()) return verb.Name;
  return std::string(verb.Name) + " " + ScriptWord(value);
}

}  // namespace vexweb
