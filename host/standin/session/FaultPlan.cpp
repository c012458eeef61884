// The fault plan.
#include "vexhost/FaultPlan.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "vexhost/Operations.h"

namespace vexhost {

void FaultPlan::FailAllocation(int nth, Persistence persistence) { _Allocations.push_back({nth, persistence}); }

void FaultPlan::Raise(std::string op, int nth, ErrorKind kind, std::string onObject, Persistence persistence) {
  CallRule rule{std::move(op), std::move(onObject), nth, persistence};
  rule.Kind = kind;
  _Raises.push_back(std::move(rule));
}

const std::vector<std::string>& FaultPlan::StatusOperations() {
  static const std::vector<std::string> operations{
      "CanCreate", "GetClassSettings", "IsBrowserAllowed", "CreateInterimProduct", "QueryInterface", "SetPartNumber"};
  return operations;
}

const std::vector<std::string>& FaultPlan::EmptyAnswerOperations() {
  static const std::vector<std::string> operations{"CreateInterimProduct", "GetResourceValueFromKey"};
  return operations;
}

void FaultPlan::ReturnStatus(std::string op, int nth, int status, std::string onObject, Persistence persistence) {
  auto among = [&](const std::vector<std::string>& operations) {
    return std::find(operations.begin(), operations.end(), op) != operations.end();
  };
  const bool answersStatus = among(StatusOperations());
  const bool answersEmpty = among(EmptyAnswerOperations());
  if (!answersStatus && !answersEmpty) throw std::invalid_argument("'" + op + "' answers no status");
  if (status == 0 ? !answersEmpty : (status > 0 || !answersStatus)) {
    throw std::invalid_argument("a planned status of '" + op + "' must be " +
                                (answersStatus ? std::string("negative") : std::string("0")) + ", not " +
                                std::to_string(status));
  }
  CallRule rule{std::move(op), std::move(onObject), nth, persistence};
  rule.Status = status;
  _Statuses.push_back(std::move(rule));
}

void FaultPlan::Merge(const FaultPlan& other) {
  _Allocations.insert(_Allocations.end(), other._Allocations.begin(), other._Allocations.end());
  _Raises.insert(_Raises.end(), other._Raises.begin(), other._Raises.end());
  _Statuses.insert(_Statuses.end(), other._Statuses.begin(), other._Statuses.end());
}

void FaultPlan::Clear() { *this = FaultPlan(); }

std::vector<FaultPlan::RaiseRuleView> FaultPlan::RaiseRules() const {
  std::vector<RaiseRuleView> rules;
  for (const auto& rule : _Raises) rules.push_back({rule.Op, rule.OnObject, rule.Nth, rule.Seen, rule.Receivers});
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

bool FaultPlan::CallRule::Matches(const std::string& op, const std::string& on) const {
  // "*" stands for every boundary call.
  return (Op == "*" || Op == op) && (OnObject.empty() || OnObject == on);
}

bool FaultPlan::CallRule::Fires() {
  const int seen = ++Seen;
  return seen == Nth || (When == Persistence::FromThenOn && seen > Nth);
}

std::optional<ErrorKind> FaultPlan::ShouldRaise(const std::string& op, const std::string& on) {
  for (auto& rule : _Raises) {
    // Whom a rule's operation met, so that a rule naming another object can say who was there.
    constexpr std::size_t remembered = 32;
    if (!rule.OnObject.empty() && (rule.Op == "*" || rule.Op == op) && rule.Receivers.size() < remembered &&
        std::find(rule.Receivers.begin(), rule.Receivers.end(), on) == rule.Receivers.end()) {
      rule.Receivers.push_back(on.empty() ? "(no object)" : on);
    }
    if (rule.Matches(op, on) && rule.Fires()) {
      ++_FaultsInjected;
      return rule.Kind;
    }
  }
  return std::nullopt;
}

std::optional<int> FaultPlan::ShouldReturnStatus(const std::string& op, const std::string& on) {
  for (auto& rule : _Statuses) {
    if (rule.Matches(op, on) && rule.Fires()) {
      ++_FaultsInjected;
      return rule.Status;
    }
  }
  return std::nullopt;
}

namespace {

bool ParseNumber(std::string_view text, int& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// Reads "OP[@OBJECT][#N]" from `rest`.
bool ParseTarget(std::string rest, std::string& op, std::string& object, int& nth, std::string& problem,
                 const char* form) {
  nth = 1;
  if (auto hash = rest.rfind('#'); hash != std::string::npos) {
    if (!ParseNumber(std::string_view(rest).substr(hash + 1), nth) || nth <= 0) {
      problem = "'" + rest.substr(hash + 1) + "' is not a positive call number";
      return false;
    }
    rest.resize(hash);
  }
  if (auto at = rest.find('@'); at != std::string::npos) {
    object = rest.substr(at + 1);
    rest.resize(at);
    if (object.empty()) {
      problem = "an object name must follow '@'";
      return false;
    }
  }
  if (rest.empty()) {
    problem = std::string("an operation name is missing (expected ") + form + ")";
    return false;
  }
  op = rest;
  return true;
}

}  // namespace

std::optional<FaultPlan> FaultPlan::ParseRaise(const std::string& text, std::string& problem, Persistence persistence) {
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
  std::string op, object;
  int nth = 1;
  if (!ParseTarget(rest, op, object, nth, problem, "OP[@OBJECT][#N][:KIND]")) return std::nullopt;
  if (const BoundaryOperation* operation = FindBoundaryOperation(op);
      op != "*" && (!operation || !operation->CanRaise)) {
    problem = (operation ? "no host error can be raised at '" + op + "'" : "the host has no operation '" + op + "'") +
              " (operations that can raise: *, " + RaisableOperationNames() + ")";
    return std::nullopt;
  }
  FaultPlan plan;
  plan.Raise(op, nth, kind, object, persistence);
  return plan;
}

std::optional<FaultPlan> FaultPlan::ParseStatus(const std::string& text, std::string& problem,
                                                Persistence persistence) {
  const auto equals = text.rfind('=');
  if (equals == std::string::npos) {
    problem = "a status is missing (expected OP[@OBJECT][#N]=STATUS)";
    return std::nullopt;
  }
  int status = 0;
  if (!ParseNumber(std::string_view(text).substr(equals + 1), status) || status > 0) {
    problem = "'" + text.substr(equals + 1) + "' is not a negative status, nor 0 for an answer without a result";
    return std::nullopt;
  }
  std::string op, object;
  int nth = 1;
  if (!ParseTarget(text.substr(0, equals), op, object, nth, problem, "OP[@OBJECT][#N]=STATUS")) return std::nullopt;
  FaultPlan plan;
  try {
    plan.ReturnStatus(op, nth, status, object, persistence);
  } catch (const std::invalid_argument& wrong) {
    auto names = [](const std::vector<std::string>& operations) {
      std::string known;
      for (const auto& name : operations) known += (known.empty() ? "" : ", ") + name;
      return known;
    };
    problem = std::string(wrong.what()) + " (operations that answer one: " + names(StatusOperations()) +
              "; that may answer 0 without a result: " + names(EmptyAnswerOperations()) + ")";
    return std::nullopt;
  }
  return plan;
}

}  // namespace vexhost
