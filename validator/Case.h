// What the validator runs and what it finds: a case is a script run on a fresh host session (its
// fault lines first, then a person's actions); a finding is what a case showed the module got wrong.
#pragma once

#include <compare>
#include <map>
#include <string>
#include <vector>

namespace vexvalidator {

enum class Phase { Load, Lifecycle, Exploration, Faults, Random };
const char* PhaseName(Phase phase);

// The kinds of finding, as reports name them.
namespace kind {
inline constexpr const char* DuplicateRegistration = "duplicate-registration";
inline constexpr const char* HostCallAtLoad = "host-call-at-load";
inline constexpr const char* HostCallAtUnload = "host-call-at-unload";
inline constexpr const char* ForeignExport = "foreign-export";
inline constexpr const char* MissingMarker = "missing-marker";
inline constexpr const char* WrongModuleHandle = "wrong-module-handle";
inline constexpr const char* UncleanUnload = "unclean-unload";
inline constexpr const char* UncleanReload = "unclean-reload";
inline constexpr const char* Leak = "leak";
inline constexpr const char* UnbalancedReference = "unbalanced-reference";
inline constexpr const char* OverRelease = "over-release";
inline constexpr const char* DeadObject = "dead-object";
inline constexpr const char* OutlivesSession = "outlives-session";
inline constexpr const char* InvisibleWait = "invisible-wait";
inline constexpr const char* Crash = "crash";
inline constexpr const char* Exception = "exception";
inline constexpr const char* Hang = "hang";
inline constexpr const char* Nondeterminism = "nondeterminism";
inline constexpr const char* HostMisuse = "host-misuse";
inline constexpr const char* ProcessHygiene = "process-hygiene";
inline constexpr const char* Slow = "slow";
}  // namespace kind

struct Finding {
  std::string Kind;
  std::string Message;  // what went wrong, naming the objects
  bool operator==(const Finding&) const = default;
  auto operator<=>(const Finding&) const = default;  // by kind, then message
};

struct Case {
  Phase Stage = Phase::Exploration;
  std::string Command;             // the command under test; empty for the module's loading
  std::string Label;               // "start and cancel", "path", "allocation, once", "random 12", ...
  std::vector<std::string> Lines;  // the script: fault lines first, then the steps
  int FaultPoint = 0;              // the fault's number in its sweep; 0 without a fault
};

// A finding as one case showed it.
struct Occurrence {
  Finding What;
  Case Where;
  int Step = -1;  // the index in Where.Lines of the line during which it happened; -1: at the end
};

// One finding however many cases showed it: the simplest of those cases, and how many there were.
struct FindingGroup {
  Finding What;
  Occurrence First;
  int Count = 0;
  std::map<Phase, int> ByPhase;
};

// Whether `a` is the simpler case to show: without a fault, fewer lines, an earlier phase.
bool Simpler(const Occurrence& a, const Occurrence& b);

}  // namespace vexvalidator
