// The fault plan: fail the Nth host allocation, raise a host error at the Nth call of an
// operation, or make the Nth call of an operation answer a negative status without raising (or
// 0 without its result); once or from then on. Deterministic; a session starts with an empty plan.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vexhost {

enum class ErrorKind { VexError, SystemError };
enum class Persistence { Once, FromThenOn };

class FaultPlan {
 public:
  void FailAllocation(int nth, Persistence persistence = Persistence::Once);
  // Raise at the nth call of `op` (counting only calls on the object named `onObject`, when given);
  // `op` "*" counts every boundary call.
  void Raise(std::string op, int nth, ErrorKind kind = ErrorKind::VexError, std::string onObject = {},
             Persistence persistence = Persistence::Once);
  // Answer `status` at the nth call of `op`. A negative status, for one of StatusOperations(), is
  // a failure: the call writes none of its outputs. Status 0, for one of EmptyAnswerOperations(),
  // is an answer without a result: CreateInterimProduct succeeds and writes a null object,
  // GetResourceValueFromKey finds no text, as in a resource file without the key. Throws
  // std::invalid_argument for another operation or status.
  void ReturnStatus(std::string op, int nth, int status, std::string onObject = {},
                    Persistence persistence = Persistence::Once);
  // The operations that answer a status: the factory's, QueryInterface and SetPartNumber.
  static const std::vector<std::string>& StatusOperations();
  // The operations that may answer 0 without a result: CreateInterimProduct, GetResourceValueFromKey.
  static const std::vector<std::string>& EmptyAnswerOperations();

  // Parses "OP[@OBJECT][#N][:KIND]" (KIND: VexError or SystemError) into a plan of that one rule;
  // nullopt with `problem` set when the text is not of that form.
  static std::optional<FaultPlan> ParseRaise(const std::string& text, std::string& problem,
                                             Persistence persistence = Persistence::Once);
  // Parses "OP[@OBJECT][#N]=STATUS" with a negative STATUS, or 0 where ReturnStatus takes it.
  static std::optional<FaultPlan> ParseStatus(const std::string& text, std::string& problem,
                                              Persistence persistence = Persistence::Once);
  void Merge(const FaultPlan& other);
  void Clear();

  // Asked by the host on each allocation and boundary call.
  bool ShouldFailAllocation();
  std::optional<ErrorKind> ShouldRaise(const std::string& op, const std::string& on);
  std::optional<int> ShouldReturnStatus(const std::string& op, const std::string& on);

  // The raise rules in the order planned, with the calls each has counted so far (calls of its
  // operation, on its object when it names one): it has raised once Counted reached Nth.
  struct RaiseRuleView {
    std::string Op;
    std::string OnObject;
    int Nth = 0;
    int Counted = 0;
    std::vector<std::string> Receivers;  // objects the operation was called on (the first few)
  };
  std::vector<RaiseRuleView> RaiseRules() const;

  int AllocationsSeen() const { return _AllocationsSeen; }
  int FaultsInjected() const { return _FaultsInjected; }

 private:
  struct AllocationRule {
    int Nth;
    Persistence When;
  };
  struct CallRule {
    std::string Op;
    std::string OnObject;
    int Nth;
    Persistence When;
    ErrorKind Kind = ErrorKind::VexError;  // raise rules
    int Status = 0;                        // status rules
    int Seen = 0;
    std::vector<std::string> Receivers = {};  // for a rule naming an object: whom its operation met
    bool Matches(const std::string& op, const std::string& on) const;
    // Counts the call; true when this is a call the rule fails.
    bool Fires();
  };
  std::vector<AllocationRule> _Allocations;
  std::vector<CallRule> _Raises;
  std::vector<CallRule> _Statuses;
  int _AllocationsSeen = 0;
  int _FaultsInjected = 0;
};

}  // namespace vexhost
