// session: a session's own state (its options, journal, fault plan, the records of its objects,
// caught errors, over-releases, violations and misuses) and a place for each higher concern's
// part of it; which session is open, and where a new object is recorded. A session is opened and
// closed at the top (driver/Session.cpp), which has each concern open or close its part.
#pragma once

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "records/Kept.h"
#include "records/Objects.h"
#include "vexhost/FaultPlan.h"
#include "vexhost/Journal.h"
#include "vexhost/Session.h"

namespace vexhost {

struct Session::State {
  explicit State(SessionOptions options) : Options(std::move(options)), TheJournal(Options.JournalWindow) {}

  SessionOptions Options;
  Journal TheJournal;
  FaultPlan Faults;
  detail::Registry Objects;
  std::vector<CaughtError> Errors;
  std::vector<std::string> OverReleases;
  std::vector<std::string> Violations;
  std::vector<std::string> Misuses;
  std::vector<std::string> WrongClasses;    // commands not of the class registered under their name
  std::vector<std::string> OffThreadCalls;  // host calls from a thread not the interface thread
  std::set<std::string> Recorded;           // the over-releases, violations and misuses already listed
  // The higher concerns' parts, each defined in its own folder, made on first use and reached
  // through that folder's accessor: EngineOf, ProductsOf, FrameOf.
  detail::KeptStates Parts;
};

Session::State& StateOf(Session& session);

namespace detail {

// What of the sessions belongs to the process: the open session, and the records of objects made
// outside a session or that outlived theirs.
struct Sessions {
  Session* Open = nullptr;
  Registry Outside;
  int InfrastructureDepth = 0;  // > 0: new objects belong to the session
  // The host's user-interface thread: the one that opened the session, loads a module or last
  // called into the module. Every host call of the module's comes on it.
  std::atomic<std::thread::id> InterfaceThread;
};
Sessions& ProcessSessions();

// The open session's state, or null.
Session::State* OpenSession();
Session::State& CurrentState();  // throws std::logic_error when no session is open
bool HasSession();
// The registry a new object goes to.
Registry& CurrentRegistry();

// Makes `session` the open one; throws std::logic_error when one is open already.
void BeginSession(Session& session);
// Ends the open session: flushes its journal and reclaims its objects; those still alive outlived
// it, and the process keeps count of them.
void EndSession(Session::State& state);

// New objects made within it belong to the session itself (its infrastructure: the layout, the
// editor, the products), which checks that their references balance.
struct InfrastructureScope {
  InfrastructureScope() { ++ProcessSessions().InfrastructureDepth; }
  ~InfrastructureScope() { --ProcessSessions().InfrastructureDepth; }
  InfrastructureScope(const InfrastructureScope&) = delete;
  InfrastructureScope& operator=(const InfrastructureScope&) = delete;
};

}  // namespace detail

}  // namespace vexhost
