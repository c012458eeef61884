// Which session is open, and where a new object is recorded.
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

}  // namespace detail

}  // namespace vexhost
