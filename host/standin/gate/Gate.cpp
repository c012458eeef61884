// The one gate for every boundary call: the journal, dead receivers and the fault plan.
#include "Gate.h"

#include <mutex>
#include <thread>

#include "session/SessionState.h"
#include "vexhost/Journal.h"

namespace vexhost::detail {

int& HostWorkDepth() {
  static int depth = 0;
  return depth;
}

bool InHostWork() { return HostWorkDepth() > 0; }

std::string Describe(const VexBaseUnknown* object) {
  if (object == nullptr) return "null";
  const std::string& name = ImplOf(*object).Name;
  return name.empty() ? "(unnamed)" : name;
}

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

std::string Code(long long value) { return std::to_string(value); }

std::string Flag(unsigned char value) { return std::to_string(static_cast<int>(value)); }

namespace {

// The construction under way, whose journal entry the derived constructors rename.
const void* ConstructedObject = nullptr;
std::size_t ConstructionEntry = 0;

void Record(Session::State& session, std::vector<std::string>& list, std::string text) {
  if (session.Recorded.insert(text).second) list.push_back(std::move(text));
}

std::string Incident(const std::string& op, const VexObjectImpl& record, std::string_view direction) {
  const std::string name = record.Name.empty() ? "an unnamed object" : "'" + record.Name + "'";
  return op + " on " + name + " (" + std::string(direction) + ")";
}

}  // namespace

void RecordViolation(const std::string& op, const VexObjectImpl& record, std::string_view direction) {
  Session::State* session = OpenSession();
  if (session == nullptr) return;
  std::string what;
  if (op == "AddRef") {
    what = "brings an object back from zero references";
  } else if (record.State == Life::Released) {
    what = "its last reference was already released";
  } else {
    what = "it was already destroyed";
  }
  Record(*session, session->Violations, Incident(op, record, direction) + ": " + what);
}

void RecordOverRelease(const VexObjectImpl& record, std::string_view direction, std::string_view why) {
  Session::State* session = OpenSession();
  if (session == nullptr) return;
  const char* dead =
      record.State == Life::Released ? "its last reference was already released" : "it was already destroyed";
  const std::string what = why.empty() ? std::string(dead) : std::string(why);
  Record(*session, session->OverReleases, Incident("Release", record, direction) + ": " + what);
}

void RecordMisuse(const std::string& op, const VexBaseUnknown* on, const std::string& what) {
  Session::State* session = OpenSession();
  if (session == nullptr) return;
  const std::string call =
      on != nullptr ? Incident(op, ImplOf(*on), ModuleToHost) : op + " (" + std::string(ModuleToHost) + ")";
  Record(*session, session->Misuses, call + ": " + what);
}

void CheckText(const char* op, const VexBaseUnknown* on, const VexUnicodeString& text) {
  // The host's own texts are its own affair; a module's text is checked where it came in.
  if (!InHostWork() && !IsUtf8(text.CastToCharPtr())) RecordMisuse(op, on, "the text is not UTF-8");
}

void CheckThread(const char* op, const std::string& receiver) {
  const std::thread::id interfaceThread = ProcessSessions().InterfaceThread.load();
  if (interfaceThread == std::thread::id() || std::this_thread::get_id() == interfaceThread) return;
  Session::State* session = OpenSession();
  if (session == nullptr) return;
  // Only calls from other threads come here: they are kept from one another.
  static std::mutex recording;
  const std::lock_guard<std::mutex> lock(recording);
  // The first such call names the fault; the calls after it on that thread are the same fault.
  if (!session->OffThreadCalls.empty()) return;
  const std::string call = receiver.empty() ? std::string(op) : std::string(op) + " on '" + receiver + "'";
  Record(
      *session, session->OffThreadCalls,
      call + " (" + std::string(ModuleToHost) + "): called on a thread that is not the host's user-interface thread");
}

LoadWatch& ModuleLoadWatch() {
  static LoadWatch watch;
  return watch;
}

void NoteCallAtLoad(const char* op, const std::string& receiver) {
  LoadWatch& watch = ModuleLoadWatch();
  if (watch.Depth == 0) return;
  const std::string call = receiver.empty() ? std::string(op) : std::string(op) + " on '" + receiver + "'";
  watch.Calls.push_back(call + " (" + std::string(ModuleToHost) +
                        "): called while the module loads, when a module only registers its commands");
  if (Session::State* session = OpenSession()) Record(*session, session->Misuses, watch.Calls.back());
}

BoundaryCall::BoundaryCall(const char* op, const VexBaseUnknown* on, std::vector<std::string> args,
                           bool completesOnReturn, Raising raising)
    : _Op(op) {
  const VexObjectImpl* record = on != nullptr ? on->GetImpl() : nullptr;
  if (record != nullptr) _Receiver = record->Name.empty() ? "(unnamed)" : record->Name;
  _Refused = record != nullptr && record->IsDead();
  if (!InHostWork()) {
    CheckThread(op, _Receiver);
    NoteCallAtLoad(op, _Receiver);
  }
  // The host's own calls are neither journaled nor faulted; it never calls a dead object.
  Session::State* session = OpenSession();
  if (InHostWork() || session == nullptr) return;
  JournalEntry entry{op, _Receiver, std::move(args), std::string(ModuleToHost), {}, {}, true};
  if (_Refused) {
    entry.Result = "refused: dead object";
    session->TheJournal.Append(std::move(entry));
    if (std::string_view(op) == "Release") {
      RecordOverRelease(*record, ModuleToHost);
    } else {
      RecordViolation(op, *record, ModuleToHost);
    }
    return;
  }
  entry.Complete = !completesOnReturn;
  _Entry = session->TheJournal.Append(std::move(entry));
  _Open = completesOnReturn;
  _Journaled = true;
  if (raising == RaiseBefore) RaisePlanned();
}

BoundaryCall::~BoundaryCall() {
  // Left by an exception before it returned: the entry is complete as it stands.
  if (_Open) Return("(left by an error)");
}

std::optional<int> BoundaryCall::PlannedStatus() const {
  Session::State* session = OpenSession();
  if (!_Journaled || session == nullptr) return std::nullopt;
  return session->Faults.ShouldReturnStatus(_Op, _Receiver);
}

void BoundaryCall::Return(std::string result, std::vector<std::string> outputs) {
  if (!_Open) return;
  _Open = false;
  if (Session::State* session = OpenSession())
    session->TheJournal.Complete(_Entry, std::move(result), std::move(outputs));
}

void BoundaryCall::RaiseIfPlanned() {
  if (_Journaled) RaisePlanned();
}

void BoundaryCall::RaisePlanned() {
  Session::State* session = OpenSession();
  auto kind = session->Faults.ShouldRaise(_Op, _Receiver);
  if (!kind) return;
  Return(*kind == ErrorKind::VexError ? "raised VexError" : "raised VexSystemError");
  RaiseHostError(*kind, std::string("host error raised by the fault plan at ") + _Op);
}

bool Gate(const char* op, const VexBaseUnknown* on, std::vector<std::string> args) {
  return !BoundaryCall(op, on, std::move(args)).Refused();
}

bool Gate(const char* op, std::vector<std::string> args) { return Gate(op, nullptr, std::move(args)); }

void JournalOnly(const char* op, const VexBaseUnknown* on, std::vector<std::string> args) {
  Session::State* session = OpenSession();
  if (InHostWork() || session == nullptr) return;
  CheckThread(op, on != nullptr ? Describe(on) : std::string());
  session->TheJournal.Append(
      {op, on != nullptr ? Describe(on) : std::string(), std::move(args), std::string(ModuleToHost), {}, {}, true});
}

std::size_t IntoModule(const char* op, const VexBaseUnknown* on, std::vector<std::string> args,
                       bool completesOnReturn) {
  // The host calls the module on its user-interface thread: whichever thread this is, it is that one.
  ProcessSessions().InterfaceThread = std::this_thread::get_id();
  Session::State* session = OpenSession();
  if (session == nullptr) return 0;
  return session->TheJournal.Append({op,
                                     on != nullptr ? Describe(on) : std::string(),
                                     std::move(args),
                                     std::string(HostToModule),
                                     {},
                                     {},
                                     !completesOnReturn});
}

void ModuleReturned(std::size_t entry, std::string result) {
  if (Session::State* session = OpenSession()) session->TheJournal.Complete(entry, std::move(result));
}

void BoundaryConstruct(const char* op, const VexBaseUnknown* object, std::vector<std::string> args) {
  Session::State* session = OpenSession();
  if (InHostWork() || session == nullptr) return;
  ConstructedObject = object;
  ConstructionEntry = session->TheJournal.Size();
  Gate(op, object, std::move(args));
}

void ConstructedAs(const VexBaseUnknown* object, const char* hostClass, std::vector<std::string> args) {
  Session::State* session = OpenSession();
  if (InHostWork() || session == nullptr || ConstructedObject != object) return;
  JournalEntry* entry = session->TheJournal.At(ConstructionEntry);
  if (entry == nullptr || entry->Op == "Allocate") return;
  entry->Op = hostClass;
  if (!args.empty()) entry->Args = std::move(args);
  // Each level of a construction can be made to fail under its own class name.
  if (auto kind = session->Faults.ShouldRaise(hostClass, Describe(object))) {
    RaiseHostError(*kind, std::string("host error raised by the fault plan at ") + hostClass);
  }
}

}  // namespace vexhost::detail
