// Script verbs addressed by dialog and widget name, so that a script can drive the dialogs of any
// module (`press InterimProductPanel/OK`), and lines that arm the fault plan, so that a script
// replays a run with faults exactly. Where a verb of the short forms has the same name (`type`,
// `choose`, `close`, `ack`, `browse`), the generic form is told apart by its address.
#pragma once

#include <string>
#include <vector>

#include "Desk.h"

namespace vexdrive {

struct GenericVerb;

// The generic verb that a line with this verb and these words stands for, or null when the line
// is one of the short forms (or no verb at all).
const GenericVerb* FindGenericVerb(const std::string& verb, const std::string& rest);
// Does what the line says; returns what to report. Throws LineError when the words are not the
// verb's form or when the current state does not allow the action.
std::vector<std::string> RunGenericVerb(const GenericVerb& verb, Desk& desk, const std::string& rest);
// Whether the line changes the state (so that the changes are reported after it).
bool IsStep(const GenericVerb& verb, const std::string& rest);
// The generic forms and what they do, for `help` and --help.
std::string GenericHelp();
// The names of the generic verbs, their other names included.
std::vector<std::string> GenericVerbNames();

// A fault line's text, as the validator writes it into the scripts it replays.
enum class FaultWhen { Once, FromThenOn };
std::string AllocationFaultLine(int nth, FaultWhen when);
// `raise` is "OP[@OBJECT][#N][:KIND]".
std::string RaiseFaultLine(const std::string& raise, FaultWhen when);
// `status` is "OP[@OBJECT][#N]=STATUS".
std::string StatusFaultLine(const std::string& status, FaultWhen when);

// A word as a script line needs it: quoted when it is empty or holds blanks, quotes, a backslash
// or a leading '#'.
std::string ScriptWord(const std::string& text);

}  // namespace vexdrive
