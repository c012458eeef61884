// The fault plan.
#include "vexhost/FaultPlan.h"

#include <charconv>

#include "vexhost/Operations.h"

namespace vexhost {

void FaultPlan::FailAllocation(int nth, Persistence persistence) { _Allocations.push_back({nth, persistence}); }

void FaultPlan::Raise(std::string op, int nth, ErrorKind kind, std::string onObject, Persistence persistence) {
  _Raises.push_back({std::move(op), std::move(onObject), nth, kind, persistence});
}

void FaultPlan::Merge(const FaultPlan& other) {
  _Allocations.insert(_Allocations.end(), other._Allocations.begin(), other._Allocations.end());
  _Raises.insert(_Raises.end(), other._Raises.begin(), other._Raises.end());
}

void FaultPlan::Clear() { *this = FaultPlan(); }

std::vector<FaultPlan::RaiseRuleView> FaultPlan::RaiseRules() const {
  std::vector<RaiseRuleView> rules;
  for (const auto& rule : _Raises) rules.push_back({rule.Op, rule.OnObject, rule.Nth, rule.Seen});
  return rules;
}

bool FaultPlan::ShouldFailAllocation() {
  const int seen = ++_AllocationsSeen;
  for (const auto& rule : _Allocations) {
    if (seen == rule.Nth || (rule.When == Persistence::FromThenOn && seen > rule.Nth)) {
      ++_FaultsInjected;
      return true;
    }
  }
  return false;
}

std::optional<ErrorKind> FaultPlan::ShouldRaise(const std::string& op, const std::string& on) {
  for (auto& rule : _Raises) {
    // "*" stands for every boundary call.
    if ((rule.Op != "*" && rule.Op != op) || (!rule.OnObject.empty() && rule.OnObject != on)) continue;
    const int seen = ++rule.Seen;
    if (seen == rule.Nth || (rule.When == Persistence::FromThenOn && seen > rule.Nth)) {
      ++_FaultsInjected;
      return rule.Kind;
    }
  }
  return std::nullopt;
}

namespace {
bool ParsePositive(std::string_view text, int& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value > 0;
}
}  // namespace

std::optional<FaultPlan> FaultPlan::ParseRaise(const std::string& text, std::string& problem) {
  std::string rest = text;
  ErrorKind kind = ErrorKind::VexError;
  if (auto colon = rest.rfind(':'); colon != std::string::npos) {
    const std::string kindText = rest.substr(colon + 1);
    if (kindText == "VexError") {
      kind = ErrorKind::VexError;
    } else if (kindText == "SystemError" || kindText == "VexSystemError") {
      kind = ErrorKind::SystemError;
    } else {
      problem = "unknown error kind '" + kindText + "' (expected VexError or SystemError)";
      return std::nullopt;
    }
    rest.resize(colon);
  }
  int nth = 1;
  if (auto hash = rest.rfind('#'); hash != std::string::npos) {
    if (!ParsePositive(std::string_view(rest).substr(hash + 1), nth)) {
      problem = "'" + rest.substr(hash + 1) + "' is not a positive call number";
      return std::nullopt;
    }
    rest.resize(hash);
  }
  std::string object;
  if (auto at = rest.find('@'); at != std::string::npos) {
    object = rest.substr(at + 1);
    rest.resize(at);
    if (object.empty()) {
      problem = "an object name must follow '@'";
      return std::nullopt;
    }
  }
  if (rest.empty()) {
    problem = "an operation name is missing (expected OP[@OBJECT][#N][:KIND])";
    return std::nullopt;
  }
  if (const BoundaryOperation* operation = FindBoundaryOperation(rest); rest != "*" && (!operation || !operation->CanRaise)) {
    problem = (operation ? "no host error can be raised at '" + rest + "'" : "the host has no operation '" + rest + "'") +
              " (operations that can raise: *, " + RaisableOperationNames() + ")";
    return std::nullopt;
  }
  FaultPlan plan;
  plan.Raise(rest, nth, kind, object);
  return plan;
}

}  // namespace vexhost
