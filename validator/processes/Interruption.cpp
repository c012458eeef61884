#include "Interruption.h"

#include <cstring>

namespace vexvalidator {

namespace {

volatile std::sig_atomic_t Caught = 0;

void Note(int signal) { Caught = signal; }

void Install(int signal, struct sigaction& old) {
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  // The first signal asks for a stop; the disposition is then the default again.
  action.sa_flags = SA_RESETHAND;
  ::sigaction(signal, &action, &old);
}

}  // namespace

Interruption::Interruption(std::chrono::seconds limit)
    : _Limit(limit), _Deadline(std::chrono::steady_clock::now() + limit) {
  Caught = 0;
  Install(SIGINT, _OldInt);
  Install(SIGTERM, _OldTerm);
}

Interruption::~Interruption() {
  ::sigaction(SIGINT, &_OldInt, nullptr);
  ::sigaction(SIGTERM, &_OldTerm, nullptr);
}

std::string Interruption::Reason() {
  if (const int signal = Caught; signal != 0) {
    const char* name = sigabbrev_np(signal);
    return "interrupted by " + (name != nullptr ? "SIG" + std::string(name) : "signal " + std::to_string(signal));
  }
  _Reached = _Reached || (_Limit.count() > 0 && std::chrono::steady_clock::now() >= _Deadline);
  if (!_Reached) return {};
  return "its time limit of " + std::to_string(_Limit.count()) + " s was reached";
}

int Interruption::Signal() const { return Caught; }

}  // namespace vexvalidator
