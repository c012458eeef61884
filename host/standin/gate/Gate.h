// gate: the one gate every boundary call passes. A call from the module is journaled, refused
// when its receiver is dead and failed when the fault plan says so; a call into the module is
// journaled with its result. Also the scopes of the host's own work, which pass no gate, the text
// forms of arguments in the journal, and host errors: raising them, and the host's top level that
// takes those that escape the module. The folder implements the contracts' base types on the
// gate: the root object (BaseUnknown.cpp), host errors and the error scope (Errors.cpp), strings.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/Objects.h"
#include "vex/Base.h"
#include "vex/Strings.h"
#include "vexhost/FaultPlan.h"

namespace vexhost::detail {

// How deep the host is in its own work: > 0, neither journaled nor faulted.
int& HostWorkDepth();

// A scope marking the host's own work.
struct InternalScope {
  InternalScope() { ++HostWorkDepth(); }
  ~InternalScope() { --HostWorkDepth(); }
  InternalScope(const InternalScope&) = delete;
  InternalScope& operator=(const InternalScope&) = delete;
};

// While the host calls into the module, the module's own calls are boundary calls again.
struct ModuleScope {
  ModuleScope() : _Saved(HostWorkDepth()) { HostWorkDepth() = 0; }
  ~ModuleScope() { HostWorkDepth() = _Saved; }
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
  // The status the fault plan makes this call answer, if any: negative, or 0 for an answer
  // without its result.
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
// Records, once, a misuse of the host by the module that the host tolerates or refuses:
// "op on 'name' (module->host): what", or "op (module->host): what" without a receiver.
void RecordMisuse(const std::string& op, const VexBaseUnknown* on, const std::string& what);

// Records, once a session (the first), a call of the module's made on another thread than the
// host's user-interface thread (the one that opened the session, loads the module or last called
// into it).
// What the host does itself in answer (an error it raises) is not counted again.
void CheckThread(const char* op, const std::string& receiver);

// Whether a text is well-formed UTF-8 (no stray continuation byte, no overlong form, no surrogate).
bool IsUtf8(std::string_view text);
// A text the module hands to the host must be UTF-8: one that is not is kept as it is and recorded.
void CheckText(const char* op, const VexBaseUnknown* on, const VexUnicodeString& text);

// While a module loads it calls the host only to register its commands and to switch off thread
// calls. Every other boundary call (an allocation too) made then is kept here, and recorded as a
// misuse when a session is open; the loader takes the list into the module's load record.
struct LoadWatch {
  int Depth = 0;                   // > 0: a module is loading
  std::vector<std::string> Calls;  // each as a misuse: "SetTitle on 'x' (module->host): called ..."
};
LoadWatch& ModuleLoadWatch();
// Notes a call from the module while it loads; nothing otherwise.
void NoteCallAtLoad(const char* op, const std::string& receiver);

[[noreturn]] void RaiseHostError(ErrorKind kind, const std::string& message);

// Runs a call into the module; a host error that escapes it is taken by the host's top level.
// Returns false when an error escaped.
bool AtTopLevel(const char* where, const std::function<void()>& call);

}  // namespace vexhost::detail
