#include "RootCause.h"

#include <cctype>
#include <regex>

#include "validator/case/Actions.h"

namespace vexvalidator {

namespace {

void CollectNames(const vexhost::ProductData& product, std::set<std::string>& names) {
  names.insert(product.Name);
  names.insert(product.Name + ".factory");
  for (const auto& child : product.Children) CollectNames(child, names);
}

// A name as a pattern: what the document names stands for any product of it; a run of digits for
// any number.
std::string NamePattern(const std::string& name, const std::set<std::string>& hostNames) {
  if (hostNames.count(name) != 0) {
    return name.size() > 8 && name.compare(name.size() - 8, 8, ".factory") == 0 ? "(a product's factory)"
                                                                                : "(a product)";
  }
  std::string pattern;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(name[i])) == 0) {
      pattern += name[i];
    } else if (pattern.empty() || pattern.back() != '#') {
      pattern += '#';
    }
  }
  return "'" + pattern + "'";
}

// Every 'quoted name' of a message replaced by its pattern.
std::string WithPatterns(const std::string& message, const std::set<std::string>& hostNames) {
  static const std::regex quoted("'([^']*)'");
  std::string out;
  auto last = message.cbegin();
  for (std::sregex_iterator it(message.begin(), message.end(), quoted), end; it != end; ++it) {
    out.append(last, (*it)[0].first);
    out += NamePattern((*it)[1].str(), hostNames);
    last = (*it)[0].second;
  }
  out.append(last, message.cend());
  return out;
}

// "press Panel/OK", "type Panel/editor", "start Cmd", "active": a line without the text it types,
// the class it chooses or the product it names.
std::string VerbAndAddress(const std::string& line) {
  const std::optional<vexdrive::Action> action = ActionOf(line);
  if (!action) return line.substr(0, line.find(' '));
  const std::string verb = vexdrive::ActionName(*action);
  switch (action->Verb) {
    case vexdrive::ActionVerb::Start:
      return verb + " " + action->Text.value_or("");
    case vexdrive::ActionVerb::Press:
    case vexdrive::ActionVerb::Type:
    case vexdrive::ActionVerb::Choose:
    case vexdrive::ActionVerb::Browse:
    case vexdrive::ActionVerb::Close:
    case vexdrive::ActionVerb::Acknowledge:
      return verb + " " + action->Target.Text();
    default:
      return verb;
  }
}

// "signal SIGSEGV (...) during `press Panel/OK`" as "signal SIGSEGV (...) during press Panel/OK".
std::string DeathCause(const std::string& message) {
  const std::size_t during = message.find(" during `");
  if (during == std::string::npos) return message;
  const std::size_t begin = during + 9;
  const std::size_t end = message.find('`', begin);
  return message.substr(0, during) + " during " + VerbAndAddress(message.substr(begin, end - begin));
}

// "VexProduct 'Hull' holds 3 references, expected 2": host-owned objects come from the document,
// so their class and whether they hold too many or too few is what counts.
std::string Unbalanced(const std::string& message) {
  static const std::regex form("(\\S+) '.*' holds (\\d+) references, expected (\\d+)");
  std::smatch match;
  if (!std::regex_match(message, match, form)) return message;
  const bool more = std::stoll(match[2].str()) > std::stoll(match[3].str());
  return match[1].str() +
         (more ? " holds more references than its owners give it" : " holds fewer references than its owners give it");
}

}  // namespace

std::set<std::string> HostObjectNames(const vexhost::DocumentData& document) {
  std::set<std::string> names;
  CollectNames(document.Root, names);
  return names;
}

// A file written is one fault whether the call created it or found it there from an earlier case:
// "creates P" and "opens P for writing" are both "writes P" (after a stage's "at load: ").
std::string ReachCause(std::string message) {
  const auto stage = message.find(": ");
  const std::size_t at = stage == std::string::npos ? 0 : stage + 2;
  constexpr std::string_view writing = " for writing";
  const bool opens = message.compare(at, 6, "opens ") == 0 && message.size() > writing.size() &&
                     message.compare(message.size() - writing.size(), writing.size(), writing) == 0;
  if (opens)
    return message.substr(0, at) + "writes " + message.substr(at + 6, message.size() - at - 6 - writing.size());
  if (message.compare(at, 8, "creates ") == 0) return message.substr(0, at) + "writes " + message.substr(at + 8);
  return message;
}

std::string RootCause(const Finding& finding, const std::set<std::string>& hostNames) {
  const std::string& kind = finding.Kind;
  if (kind == kind::Crash || kind == kind::Hang) return kind + ": " + DeathCause(finding.Message);
  if (kind == kind::UnbalancedReference) return kind + ": " + Unbalanced(finding.Message);
  if (kind == kind::Exception) return kind + ": " + finding.Message;
  // The call that went otherwise, whatever its arguments: one thing the module keeps is one fault.
  if (kind == kind::History) {
    const std::size_t call = finding.Message.find(" was `");
    const std::size_t open = finding.Message.find('(', call);
    return kind + ": " + (call == std::string::npos ? finding.Message : finding.Message.substr(call, open - call));
  }
  // Whichever way out and whichever product: one change the command keeps is one fault.
  if (kind == kind::KeptAfterCancel) {
    return kind + (finding.Message.find(": a product created") != std::string::npos ? ": created" : ": renumbered");
  }
  if (kind == kind::Reach) return kind + ": " + WithPatterns(ReachCause(finding.Message), hostNames);
  // A way out a fault left dead: the same button after the same family of fault, at whichever point.
  if (kind == kind::DeadButton) {
    static const std::regex point(" at point \\d+ ");
    return kind + ": " + WithPatterns(std::regex_replace(finding.Message, point, " at point # "), hostNames);
  }
  return kind + ": " + WithPatterns(finding.Message, hostNames);
}

}  // namespace vexvalidator
