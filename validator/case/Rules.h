// The host's rules that the validator holds a module to, one table: each rule's stable id, the
// rule in one sentence, what the validator watches to hold it, what that watch cannot see, the
// kind of finding it gives and a module in examples/planted that breaks it. The finding kinds are
// taken from here (kind::Leak is the kind of the rule "objects.destroyed"); the report and
// `vexhost validate --rules` list the table.
#pragma once

#include <array>
#include <string_view>

namespace vexvalidator {

struct Rule {
  const char* Id;         // stable: a rule keeps its id; a new rule takes a new one
  const char* Kind;       // the kind of its findings; one rule each
  const char* Statement;  // the host's rule
  const char* Watched;    // what the validator watches to hold it
  const char* Unseen;     // what that watch cannot see
  const char* Planted;    // a module in examples/planted that breaks it; empty: none yet
};

// Ids grouped by where a rule holds: load, unload, objects, boundary, process, step, view, host,
// approved.
inline constexpr std::array RuleTable{
    Rule{"load.register-once", "duplicate-registration", "Each command name is registered once.",
         "the dictionary entries each load makes", "nothing: every registration passes the dictionary",
         "registered-twice"},
    Rule{"load.no-host-call", "host-call-at-load",
         "While it loads, a module calls the host only to register its commands and switch off thread calls.",
         "every host call the gate sees while the system loads the module",
         "what static initialisers do without calling the host", "host-call-at-load"},
    Rule{"load.own-handle", "wrong-module-handle", "The thread-call switch is given the module's own handle.",
         "the handle DisableThreadLibraryCalls is given, against the one the loader returned",
         "a switch made through the system rather than the host", "null-thread-handle"},
    Rule{"load.entries-only", "foreign-export",
         "A module exports a factory, fctCreate and its name, for each command it registers, and its marker, nothing "
         "else.",
         "the dynamic symbol table of the module's library", "what libraries it loads itself export",
         "exports-everything"},
    Rule{"load.marker", "missing-marker", "A module exports its marker, TOVARIK_KEL2_INTERNAL_ and its library's name.",
         "the dynamic symbol table of the module's library", "whether the marker's code is the expected one", ""},
    Rule{"unload.no-host-call", "host-call-at-unload", "Nothing of the module's own calls the host at unload.",
         "every host call the gate sees while the system unloads the module",
         "what its destructors do without calling the host", ""},
    Rule{"unload.clean", "unclean-unload", "Unloading the module leaves no host object alive.",
         "the host's registry of live objects after the unload", "memory not made by the host allocator", ""},
    Rule{"reload.same", "unclean-reload", "Loaded again, the module registers the same names and each command starts.",
         "the names a second load registers, and a start of each", "what a third load would do", ""},
    Rule{"objects.destroyed", "leak", "Every host object a command makes is destroyed by the end of the command.",
         "the host's registry of live objects at the end of every case", "memory not made by the host allocator",
         "leaked-widget"},
    Rule{"objects.balanced", "unbalanced-reference",
         "A host-owned object holds only its owners' references once the command ends.",
         "the reference counts of host-owned objects at the end of every case",
         "a reference taken and released at the wrong time that balances by the end", "leaked-product-reference"},
    Rule{"objects.release-once", "over-release", "The module releases only references it holds, each once.",
         "every Release at the gate, against the object's record and who holds its references",
         "memory freed by means other than a host release", "over-released-factory"},
    Rule{"objects.no-call-when-dead", "dead-object", "No call is made on an object after its last release.",
         "the receiver of every host call at the gate, against its record",
         "a dead object's memory read or written without a host call", "use-after-release"},
    Rule{"objects.within-session", "outlives-session", "No host object outlives the session that made it.",
         "the objects left in the process's registry after each session closes",
         "memory not made by the host allocator", ""},
    Rule{"boundary.no-crash", "crash", "The module never ends the process: no fatal signal, no abort.",
         "the worker's exit and signal in every case, at load, unload and exit",
         "a crash only a state the exploration never reaches shows", "crash-on-failed-allocation"},
    Rule{"boundary.no-exception", "exception", "No C++ exception crosses the boundary into the host.",
         "the host's top level around every call into the module",
         "an exception caught and swallowed inside the module", "exception-across-boundary"},
    Rule{"boundary.returns", "hang", "Every call into the module returns.", "a time limit on every case (--timeout)",
         "a call that would return after the limit", "endless-action"},
    Rule{"host.as-contracted", "host-misuse",
         "The module calls the host only as each operation's contract allows: UTF-8 texts, one delayed destruction, "
         "one initial state, factories exported.",
         "the misuses the stand-in host records at its gate and at load",
         "misuses of operations the stand-in takes without a check", "text-not-utf8"},
    Rule{"host.factory-class", "wrong-class",
         "The command a registered name's factory makes is of the class registered under that name.",
         "the dynamic type of every command a factory makes, against the name it was created by",
         "a class of the same name in another namespace", "factory-makes-sibling"},
    Rule{"host.interface-thread", "off-thread-call",
         "Every host call comes on the user-interface thread, the one the host runs on.",
         "the thread of every host call at the gate, against the thread that opened the session or loads the module",
         "work on other threads that calls no host operation", "host-call-from-thread"},
    Rule{"process.untouched", "process-hygiene",
         "The module leaves the process as it found it: no output, no change of working directory, environment, "
         "umask or signal handlers, no thread or descriptor left.",
         "those compared before and after every case and at load, and the output captured",
         "a change undone within a case, settings outside that list", "writes-output"},
    Rule{"process.no-reach", "reach",
         "The module reaches nothing outside the host: it creates, writes, renames or removes no file, starts no "
         "process or thread, opens no socket, and sets no signal disposition, working directory, limit or umask.",
         "the system calls of the worker's threads while the module's code may run (load, every case, unload, "
         "exit), through a seccomp filter whose watcher lets each call go on",
         "files read, writes through a descriptor already open, what the kernel answers without a system call, "
         "what a started process does",
         "writes-file"},
    Rule{"step.prompt", "slow", "Each step answers within the time a person waits (--slow).",
         "the time of every step, confirmed by the same lines run again and then by the finding's own replay in a "
         "process of its own",
         "slowness only a busy machine shows", "slow-step"},
    Rule{"view.shown-while-running", "invisible-wait",
         "A command that runs with a current editor shows something a person can see and end.",
         "the shown windows at the end of every case whose command still runs",
         "a window shown off the screen or covered", "invisible-wait"},
    Rule{"view.buttons-answer", "dead-button",
         "A sensitive button, close box or message box OK a person presses is answered.",
         "each press without faults, each button again where a path came back to a state, and each Cancel, close "
         "box and message box OK of a command still waiting after a fault met once in a path's last line: an action, "
         "a state change or a change a person sees",
         "presses under a fault met from then on, which may rightly go unanswered; a way out a fault met earlier in "
         "a path leaves dead only after later steps",
         "lost-second-press"},
    Rule{"view.way-out", "stranded",
         "From every state of a running command some sequence of a person's actions ends it.",
         "every state the exploration reached, searched for a way out up to three actions further (a refused action "
         "leaves the state as it was; windows shown with nothing usable strand a person)",
         "ways out beyond the search's bound, reported as a bound met", "dead-end-state"},
    Rule{"view.nothing-left", "shown-after-end", "A command that ends leaves none of its dialogs shown.",
         "the shown windows after every command that ended", "a window the host does not know of", "dialog-left-shown"},
    Rule{"view.cancel-keeps-nothing", "kept-after-cancel",
         "A Cancel or close box that ends a command leaves the document as the command found it, or as a button "
         "pressed before applied it in view (an Apply), unless the author declares that the command keeps more "
         "(--keeps-applied).",
         "the product model's changes from each command's start to a Cancel or close box that ended it, in every "
         "case without faults",
         "what a Cancel under a fault leaves; changes outside the product model", "cancel-that-applies"},
    Rule{"state.none-kept", "history",
         "A module keeps no state from one command to the next: the same lines make the same calls each time.",
         "every explored path run again in a fresh session of the same worker, then twice in one session with the "
         "document reopened between (reopen), its calls across the boundary compared",
         "state that shows only after more than two commands, or changes no call across the boundary",
         "counts-its-commands"},
    Rule{"view.same-answer", "nondeterminism", "The same line in the same state is answered the same way.",
         "lines refused in a state (by its fingerprint) where they were done before",
         "differences in what is neither shown nor recorded", ""},
    Rule{"approved.same-behaviour", "behaviour-changed",
         "With approved behaviour given, every path behaves as approved.",
         "each path's journal and dialogs against the approved record (--approved)",
         "paths the approved run did not take", "changed-behaviour"},
};

// The kind of the rule with this id; an unknown id does not compile where a constant needs it.
consteval const char* KindOf(std::string_view id) {
  for (const Rule& rule : RuleTable) {
    if (id == rule.Id) return rule.Kind;
  }
  throw "no rule has this id";
}

// The rule whose findings are of this kind, or null.
const Rule* RuleOfKind(std::string_view kind);

// The kinds of finding, as reports name them, each its rule's.
namespace kind {
inline constexpr const char* DuplicateRegistration = KindOf("load.register-once");
inline constexpr const char* HostCallAtLoad = KindOf("load.no-host-call");
inline constexpr const char* WrongModuleHandle = KindOf("load.own-handle");
inline constexpr const char* ForeignExport = KindOf("load.entries-only");
inline constexpr const char* MissingMarker = KindOf("load.marker");
inline constexpr const char* HostCallAtUnload = KindOf("unload.no-host-call");
inline constexpr const char* UncleanUnload = KindOf("unload.clean");
inline constexpr const char* UncleanReload = KindOf("reload.same");
inline constexpr const char* Leak = KindOf("objects.destroyed");
inline constexpr const char* UnbalancedReference = KindOf("objects.balanced");
inline constexpr const char* OverRelease = KindOf("objects.release-once");
inline constexpr const char* DeadObject = KindOf("objects.no-call-when-dead");
inline constexpr const char* OutlivesSession = KindOf("objects.within-session");
inline constexpr const char* Crash = KindOf("boundary.no-crash");
inline constexpr const char* Exception = KindOf("boundary.no-exception");
inline constexpr const char* Hang = KindOf("boundary.returns");
inline constexpr const char* HostMisuse = KindOf("host.as-contracted");
inline constexpr const char* WrongClass = KindOf("host.factory-class");
inline constexpr const char* OffThreadCall = KindOf("host.interface-thread");
inline constexpr const char* ProcessHygiene = KindOf("process.untouched");
inline constexpr const char* Reach = KindOf("process.no-reach");
inline constexpr const char* Slow = KindOf("step.prompt");
inline constexpr const char* InvisibleWait = KindOf("view.shown-while-running");
inline constexpr const char* DeadButton = KindOf("view.buttons-answer");
inline constexpr const char* Stranded = KindOf("view.way-out");
inline constexpr const char* ShownAfterEnd = KindOf("view.nothing-left");
inline constexpr const char* Nondeterminism = KindOf("view.same-answer");
inline constexpr const char* KeptAfterCancel = KindOf("view.cancel-keeps-nothing");
inline constexpr const char* History = KindOf("state.none-kept");
inline constexpr const char* BehaviourChanged = KindOf("approved.same-behaviour");
}  // namespace kind

}  // namespace vexvalidator
