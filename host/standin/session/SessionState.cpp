// Which session is open, where a new object is recorded, and what a session keeps of its own.
#include "SessionState.h"

#include <stdexcept>

namespace vexhost {

Session::State& StateOf(Session& session) { return *session._State; }

namespace detail {

Sessions& ProcessSessions() {
  // Lives as long as the process: objects may outlive sessions.
  static Sessions* sessions = [] {
    auto* state = new Sessions();
    state->Outside.SetQuarantines(false);  // no session runs a command for these
    return state;
  }();
  return *sessions;
}

Session::State* OpenSession() {
  Session* session = ProcessSessions().Open;
  return session != nullptr ? &StateOf(*session) : nullptr;
}

Session::State& CurrentState() {
  Session::State* state = OpenSession();
  if (state == nullptr) throw std::logic_error("no host session is open");
  return *state;
}

bool HasSession() { return OpenSession() != nullptr; }

Registry& CurrentRegistry() {
  Session::State* session = OpenSession();
  return session != nullptr ? session->Objects : ProcessSessions().Outside;
}

void BeginSession(Session& session) {
  Sessions& sessions = ProcessSessions();
  if (sessions.Open != nullptr) throw std::logic_error("a host session is already open");
  sessions.Open = &session;
  sessions.InterfaceThread = std::this_thread::get_id();
}

void EndSession(Session::State& state) {
  state.TheJournal.Flush();
  state.Objects.Reclaim(true);
  // What is still alive now outlived the session: the process keeps count of it.
  ProcessSessions().Outside.AdoptLiving(state.Objects);
  ProcessSessions().Open = nullptr;
}

}  // namespace detail

using namespace detail;

Session* Session::Current() { return ProcessSessions().Open; }

Journal& Session::GetJournal() { return _State->TheJournal; }

FaultPlan& Session::Faults() { return _State->Faults; }

const std::vector<CaughtError>& Session::Errors() const { return _State->Errors; }

const std::vector<std::string>& Session::ResourceDirs() const { return _State->Options.ResourceDirs; }

int Session::LiveObjects() {
  std::size_t live = ProcessSessions().Outside.Alive();
  if (Session::State* session = OpenSession()) live += session->Objects.Alive();
  return static_cast<int>(live);
}

}  // namespace vexhost
