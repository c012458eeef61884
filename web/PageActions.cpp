#include "PageActions.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "drive/Desk.h"
#include "drive/GenericVerbs.h"
#include "drive/Words.h"
#include "vexhost/Document.h"
#include "vexhost/FaultPlan.h"
#include "vexhost/Hands.h"
#include "vexhost/Session.h"

namespace vexweb {

namespace {

enum class Takes { Nothing, Text, AnyText, OptionalText };  // AnyText: required, may be empty

// What an action's "target" names: nothing, a dialog, or a widget of a dialog as DIALOG/WIDGET.
enum class Aims { Nowhere, Dialog, Widget };
enum class Target { None, Optional, Required };

struct PageVerb {
  const char* Name;
  Takes Argument;
  Aims At = Aims::Nowhere;
  Target Needs = Target::None;
};

// The script's verbs that a person's clicks and typing make; nothing that reads files, checks or
// ends. The generic verbs name their dialog or widget in "target" and serve any module's dialogs;
// the short forms without a target work the interim-product panel and its error box.
constexpr PageVerb PageVerbs[] = {
    {"start", Takes::Text},
    {"active", Takes::Text},
    {"noeditor", Takes::Nothing},
    {"press", Takes::Nothing, Aims::Widget, Target::Required},
    {"type", Takes::AnyText, Aims::Widget, Target::Required},
    {"choose", Takes::OptionalText, Aims::Widget, Target::Required},
    {"browse", Takes::OptionalText, Aims::Widget, Target::Optional},
    {"close", Takes::Nothing, Aims::Dialog, Target::Optional},
    {"acknowledge", Takes::Nothing, Aims::Dialog, Target::Required},
    {"class", Takes::OptionalText},
    {"partnumber", Takes::OptionalText},
    {"ok", Takes::Nothing},
    {"cancel", Takes::Nothing},
    {"ack", Takes::Nothing},
};

constexpr std::size_t LongestTarget = 512;

const PageVerb& FindVerb(const nlohmann::json& action) {
  const auto verb = action.find("verb");
  if (verb == action.end() || !verb->is_string()) throw BadRequest(400, "the action names no verb");
  const std::string name = verb->get<std::string>();
  for (const auto& known : PageVerbs) {
    if (name == known.Name) return known;
  }
  throw BadRequest(400, "the page cannot ask for '" + name.substr(0, 40) + "'");
}

bool Unwritable(const std::string& name) { return name.empty() || name.find_first_of(" \t\"") != std::string::npos; }

// The target as the script word that names it: DIALOG/WIDGET unquoted, a dialog alone quoted where
// it must be.
std::string TargetWord(const PageVerb& verb, const nlohmann::json& target) {
  const std::string what = std::string(verb.Name) + ": ";
  if (!target.is_string()) throw BadRequest(400, what + "the target must be a string");
  const std::string name = target.get<std::string>();
  if (name.empty() || name.size() > LongestTarget || HoldsControl(name)) {
    throw BadRequest(400, what + "the target must be a name of 1 to 512 bytes without control characters");
  }
  if (verb.At == Aims::Dialog) return vexdrive::ScriptWord(name);
  const std::size_t slash = name.find('/');
  const std::string dialog = name.substr(0, slash);
  if (slash == std::string::npos || Unwritable(dialog) || dialog.front() == '#' || Unwritable(name.substr(slash + 1))) {
    throw BadRequest(400, what + "the target must be DIALOG/WIDGET, names without blanks or quotes");
  }
  return name;
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
      faults.Statuses.push_back(
          CheckedFault("status", "OP[@OBJECT][#N]=STATUS", vexhost::FaultPlan::ParseStatus, value));
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

bool HoldsControl(const std::string& text) { return !vexhost::FirstControlCharacter(text).empty(); }

std::string ScriptLineFor(const nlohmann::json& action) {
  if (!action.is_object()) throw BadRequest(400, "an action is a JSON object with a verb");
  for (const auto& [key, value] : action.items()) {
    if (key != "verb" && key != "text" && key != "target") {
      throw BadRequest(400, "an action has no key '" + key.substr(0, 40) + "'");
    }
  }
  const PageVerb& verb = FindVerb(action);
  const std::string name = verb.Name;
  std::string line = name;
  const auto target = action.find("target");
  if (target != action.end()) {
    if (verb.Needs == Target::None) throw BadRequest(400, name + " takes no target");
    line += " " + TargetWord(verb, *target);
  } else if (verb.Needs == Target::Required) {
    throw BadRequest(400, name + " needs a target (" + (verb.At == Aims::Dialog ? "a dialog" : "DIALOG/WIDGET") + ")");
  }
  const auto text = action.find("text");
  if (text == action.end()) {
    if (verb.Argument == Takes::Text || verb.Argument == Takes::AnyText) throw BadRequest(400, name + " needs a text");
    // A class frame's class chosen without a text is the empty class.
    return name == "choose" ? line + " \"\"" : line;
  }
  if (verb.Argument == Takes::Nothing) throw BadRequest(400, name + " takes no text");
  const std::string value = CheckedText(name, *text);
  if (verb.Argument == Takes::Text && value.empty()) throw BadRequest(400, name + " needs a text");
  // browse with a name chooses it; browse alone lists what is offered.
  if (name == "browse" && value.empty()) return line;
  return line + " " + ScriptWord(value);
}

std::optional<std::vector<std::string>> OfferListed(const std::string& line, vexdrive::Desk& desk) {
  if (line == "browse") return desk.Browse().Classes;
  if (line.rfind("browse ", 0) != 0) return std::nullopt;
  const std::vector<vexdrive::Word> words = vexdrive::SplitWords(line.substr(7));
  const std::size_t slash = words.size() == 1 ? words.front().Text.find('/') : std::string::npos;
  if (slash == std::string::npos || vexhost::Session::Current() == nullptr) return std::nullopt;
  vexhost::Hands hands(*vexhost::Session::Current());
  try {
    return hands.Browse(words.front().Text.substr(0, slash), words.front().Text.substr(slash + 1));
  } catch (const vexhost::Refused&) {
    return std::nullopt;
  }
}

}  // namespace vexweb
