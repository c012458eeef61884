// The stand-in host's process-wide state, its scopes and the one gate every boundary call
// passes. Not part of the contracts and never included by the module.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "Objects.h"
#include "vex/Dictionary.h"
#include "vexhost/Session.h"

namespace vexhost::detail {

struct ModuleState {
  LoadRecord Record;
  bool Loaded = false;
};

// What belongs to the process: the loaded modules and the dictionary, the open session, and the
// records of objects made outside a session or that outlived theirs.
struct ProcessState {
  std::map<std::string, VexCreateFunction> Dictionary;
  std::map<std::string, ModuleState> Modules;
  std::vector<std::string> RegistrationViolations;
  std::string LoadingModule;    // the module being loaded, while dlopen runs
  std::string CreatingCommand;  // the dictionary name of the command the host is creating
  Session* CurrentSession = nullptr;
  Registry Outside;             // objects made outside a session, and those that outlived theirs
  int InternalDepth = 0;        // > 0: the host's own work, neither journaled nor faulted
  int InfrastructureDepth = 0;  // > 0: new objects belong to the session
  // The construction under way, whose journal entry the derived constructors rename.
  const void* ConstructedObject = nullptr;
  std::size_t ConstructionEntry = 0;
  // The object whose destructor has just ended, for the operator delete that follows it.
  void* Destructed = nullptr;
  VexObjectImpl* DestructedRecord = nullptr;
};

ProcessState& Process();

// The open session's state, or null.
Session::State* OpenSession();
// The registry a new object goes to.
Registry& CurrentRegistry();

// Scopes marking the host's own work: not journaled, not faulted.
struct InternalScope {
  InternalScope() { ++Process().InternalDepth; }
  ~InternalScope() { --Process().InternalDepth; }
  InternalScope(const InternalScope&) = delete;
  InternalScope& operator=(const InternalScope&) = delete;
};
struct InfrastructureScope {
  InfrastructureScope() { ++Process().InfrastructureDepth; }
  ~InfrastructureScope() { --Process().InfrastructureDepth; }
  InfrastructureScope(const InfrastructureScope&) = delete;
  InfrastructureScope& operator=(const InfrastructureScope&) = delete;
};

// While the host calls into the module, the module's own calls are boundary calls again.
struct ModuleScope {
  ModuleScope() : _Saved(Process().InternalDepth) { Process().InternalDepth = 0; }
  ~ModuleScope() { Process().InternalDepth = _Saved; }
  ModuleScope(const ModuleScope&) = delete;
  ModuleScope& operator=(const ModuleScope&) = delete;

 private:
  int _Saved;
};

bool InHostWork();

template <class T, class... Args>
T* MakeInternal(Args&&... args) {
  InternalScope internal;
  T* object = new T(std::forward<Args>(args)...);
  if (object == nullptr) std::abort();  // the host's own allocations never fail on purpose
  return object;
}

// Text forms of arguments for the journal.
std::string Describe(const VexBaseUnknown* object);
std::string Quote(const std::string& text);
std::string Code(long long value);
std::string Flag(unsigned char value);

// The object's name in the journal and the reports.
void SetObjectName(const VexBaseUnknown* object, std::string name);

// One call from the module into the host. Constructing it journals the call; a call on a dead
// receiver is recorded as a violation and must not be carried out (Refused()); otherwise the fault
// plan may raise here. A call with outputs or a status completes its journal entry with Return.
class BoundaryCall {
 public:
  // Most calls fail, when the plan says so, before they do anything; a release fails after it.
  enum Raising { RaiseBefore, RaiseAfter };
  BoundaryCall(const char* op, const VexBaseUnknown* on, std::vector<std::string> args = {},
               bool completesOnReturn = false, Raising raising = RaiseBefore);
  BoundaryCall(const BoundaryCall&) = delete;
  BoundaryCall& operator=(const BoundaryCall&) = delete;
  ~BoundaryCall();

  bool Refused() const { return _Refused; }
  // A negative status the fault plan makes this call answer, if any.
  std::optional<int> PlannedStatus() const;
  void Return(std::string result, std::vector<std::string> outputs = {});
  // For RaiseAfter calls: raises now when the plan says so.
  void RaiseIfPlanned();

 private:
  void RaisePlanned();

  const char* _Op;
  std::string _Receiver;
  bool _Journaled = false;
  bool _Refused = false;
  bool _Open = false;
  std::size_t _Entry = 0;
};

// The gate for a call that returns nothing the journal keeps: true when it may be carried out.
bool Gate(const char* op, const VexBaseUnknown* on, std::vector<std::string> args = {});
// The same for a static operation.
bool Gate(const char* op, std::vector<std::string> args = {});
// Journals a call that can neither fail nor be refused (a destructor's).
void JournalOnly(const char* op, const VexBaseUnknown* on, std::vector<std::string> args = {});
// Journals a call from the host into the module; the returned index takes its result.
std::size_t IntoModule(const char* op, const VexBaseUnknown* on, std::vector<std::string> args = {},
                       bool completesOnReturn = true);
void ModuleReturned(std::size_t entry, std::string result);

// A host constructor's gate: journals and faults under the base class's operation name; the
// derived constructors then rename the entry with ConstructedAs, so a construction is one entry.
void BoundaryConstruct(const char* op, const VexBaseUnknown* object, std::vector<std::string> args);
void ConstructedAs(const VexBaseUnknown* object, const char* hostClass, std::vector<std::string> args = {});

// Records a call on a dead object, once per operation, object and direction.
void RecordViolation(const std::string& op, const VexObjectImpl& record, std::string_view direction);
// `why` says what made the release one too many; by default, that the object was already dead.
void RecordOverRelease(const VexObjectImpl& record, std::string_view direction, std::string_view why = {});

[[noreturn]] void RaiseHostError(ErrorKind kind, const std::string& message);

// Runs a call into the module; a host error that escapes it is taken by the host's top level.
// Returns false when an error escaped.
bool AtTopLevel(const char* where, const std::function<void()>& call);

}  // namespace vexhost::detail
