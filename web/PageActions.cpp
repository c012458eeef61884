#include "PageActions.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "drive/Desk.h"
#include "drive/Profile.h"
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

using vexdrive::ActionVerb;

struct PageVerb {
  ActionVerb Verb;  // asked for by its generic name
  Takes Argument;
  Aims At = Aims::Nowhere;
  Target Needs = Target::None;
};

// The script's verbs that a person's clicks and typing make; nothing that reads files, checks or
// ends. The generic verbs name their dialog or widget in "target" and serve any module's dialogs;
// a verb without a target that is none of these is one of the module profile's short forms
// (browse and close without a target too).
constexpr PageVerb PageVerbs[] = {
    {ActionVerb::Start, Takes::Text},
    {ActionVerb::Active, Takes::Text},
    {ActionVerb::NoEditor, Takes::Nothing},
    {ActionVerb::Press, Takes::Nothing, Aims::Widget, Target::Required},
    {ActionVerb::Type, Takes::AnyText, Aims::Widget, Target::Required},
    {ActionVerb::Choose, Takes::OptionalText, Aims::Widget, Target::Required},
    {ActionVerb::Browse, Takes::OptionalText, Aims::Widget, Target::Optional},
    {ActionVerb::Close, Takes::Nothing, Aims::Dialog, Target::Optional},
    {ActionVerb::Acknowledge, Takes::Nothing, Aims::Dialog, Target::Required},
};

constexpr std::size_t LongestTarget = 512;

std::string AskedVerb(const nlohmann::json& action) {
  const auto verb = action.find("verb");
  if (verb == action.end() || !verb->is_string()) throw BadRequest(400, "the action names no verb");
  return verb->get<std::string>();
}

const PageVerb* FindVerb(const std::string& name) {
  for (const auto& known : PageVerbs) {
    if (name == vexdrive::VerbName(known.Verb)) return &known;
  }
  return nullptr;
}

// The short form the page may ask for by its first name: the profile's own, not another name of it.
const vexdrive::Shorthand* FindShorthand(const std::string& name, const vexdrive::Profile* profile) {
  if (profile == nullptr) return nullptr;
  for (const auto& shorthand : profile->Shorthands) {
    if (shorthand.Names.front() == name) return &shorthand;
  }
  return nullptr;
}

bool Unwritable(const std::string& name) { return name.empty() || name.find_first_of(" \t\"") != std::string::npos; }

// The target as the script word that names it: DIALOG/WIDGET unquoted, a dialog alone quoted where
// it must be.
// The target as the address of the action: DIALOG/WIDGET with names a script word can hold, or a
// dialog alone.
vexdrive::Address TargetAddress(const PageVerb& verb, const nlohmann::json& target) {
  const std::string what = vexdrive::VerbName(verb.Verb) + ": ";
  if (!target.is_string()) throw BadRequest(400, what + "the target must be a string");
  const std::string name = target.get<std::string>();
  if (name.empty() || name.size() > LongestTarget || HoldsControl(name)) {
    throw BadRequest(400, what + "the target must be a name of 1 to 512 bytes without control characters");
  }
  if (verb.At == Aims::Dialog) return {name, {}};
  const std::size_t slash = name.find('/');
  const std::string dialog = name.substr(0, slash);
  if (slash == std::string::npos || Unwritable(dialog) || dialog.front() == '#' || Unwritable(name.substr(slash + 1))) {
    throw BadRequest(400, what + "the target must be DIALOG/WIDGET, names without blanks or quotes");
  }
  return {dialog, name.substr(slash + 1)};
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

bool HoldsControl(const std::string& text) { return !vexhost::FirstControlCharacter(text).empty(); }

namespace {

// The text the action carries, checked; nothing when it has none.
std::optional<std::string> ActionText(const std::string& name, Takes takes, const nlohmann::json& action) {
  const auto text = action.find("text");
  if (text == action.end()) {
    if (takes == Takes::Text || takes == Takes::AnyText) throw BadRequest(400, name + " needs a text");
    return std::nullopt;
  }
  if (takes == Takes::Nothing) throw BadRequest(400, name + " takes no text");
  std::string value = CheckedText(name, *text);
  if (takes == Takes::Text && value.empty()) throw BadRequest(400, name + " needs a text");
  return value;
}

vexdrive::Action ShortAction(const std::string& name, const vexdrive::Shorthand& shorthand,
                             const nlohmann::json& action) {
  if (action.contains("target")) throw BadRequest(400, name + " takes no target");
  const Takes takes = shorthand.Argument == vexdrive::Takes::Nothing ? Takes::Nothing
                      : shorthand.Argument == vexdrive::Takes::Text  ? Takes::Text
                                                                     : Takes::OptionalText;
  std::optional<std::string> text = ActionText(name, takes, action);
  // Browsing with an empty name lists what is offered, as browsing without one does.
  if (shorthand.Stands == vexdrive::ActionVerb::Browse && text && text->empty()) text.reset();
  return vexdrive::ShortAction(shorthand, name, text, vexdrive::Writing::AsTyped);
}

vexdrive::Action GenericAction(const PageVerb& verb, const vexdrive::Address& target,
                               const std::optional<std::string>& text) {
  using vexdrive::Action;
  using vexdrive::Writing;
  const std::string value = text.value_or("");
  switch (verb.Verb) {
    case ActionVerb::Start:
      return Action::Start(value, Writing::AsTyped);
    case ActionVerb::Active:
      return Action::Active(value, Writing::AsTyped);
    case ActionVerb::Press:
      return Action::Press(target.Dialog, target.Widget);
    case ActionVerb::Type:
      return Action::Type(target.Dialog, target.Widget, value, Writing::AsTyped);
    case ActionVerb::Choose:
      // A class frame's class chosen without a text is the empty class.
      return Action::Choose(target.Dialog, target.Widget, value, Writing::AsTyped);
    case ActionVerb::Browse:
      // browse with a name chooses it; browse alone lists what is offered.
      return Action::Browse(target.Dialog, target.Widget, value.empty() ? std::nullopt : text, Writing::AsTyped);
    case ActionVerb::Close:
      return Action::Close(target.Dialog);
    case ActionVerb::Acknowledge:
      return Action::Acknowledge(target.Dialog);
    default:  // noeditor, the one other verb the page asks for
      return Action::NoEditor();
  }
}

}  // namespace

vexdrive::Action ActionFor(const nlohmann::json& action, const vexdrive::Profile* profile) {
  if (!action.is_object()) throw BadRequest(400, "an action is a JSON object with a verb");
  for (const auto& [key, value] : action.items()) {
    if (key != "verb" && key != "text" && key != "target") {
      throw BadRequest(400, "an action has no key '" + key.substr(0, 40) + "'");
    }
  }
  const std::string name = AskedVerb(action);
  const PageVerb* verb = FindVerb(name);
  const auto target = action.find("target");
  const vexdrive::Shorthand* shorthand = FindShorthand(name, profile);
  if (shorthand != nullptr && (verb == nullptr || (target == action.end() && verb->Needs == Target::Optional))) {
    return ShortAction(name, *shorthand, action);
  }
  if (verb == nullptr) throw BadRequest(400, "the page cannot ask for '" + name.substr(0, 40) + "'");
  vexdrive::Address address;
  if (target != action.end()) {
    if (verb->Needs == Target::None) throw BadRequest(400, name + " takes no target");
    address = TargetAddress(*verb, *target);
  } else if (verb->Needs != Target::None) {
    throw BadRequest(400, name + " needs a target (" + (verb->At == Aims::Dialog ? "a dialog" : "DIALOG/WIDGET") + ")");
  }
  return GenericAction(*verb, address, ActionText(name, verb->Argument, action));
}

std::optional<std::vector<std::string>> OfferListed(const vexdrive::Action& action, vexdrive::Desk& desk) {
  if (action.Verb != vexdrive::ActionVerb::Browse || action.Text) return std::nullopt;
  if (!action.Shorthand.empty()) return desk.Browse(action.Target).Classes;
  if (vexhost::Session::Current() == nullptr) return std::nullopt;
  vexhost::Hands hands(*vexhost::Session::Current());
  try {
    return hands.Browse(action.Target.Dialog, action.Target.Widget);
  } catch (const vexhost::Refused&) {
    return std::nullopt;
  }
}

}  // namespace vexweb
