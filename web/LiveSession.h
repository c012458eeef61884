// The one stand-in session the page works: the module loaded, the document open, a desk on it,
// and the script of what was done. Every action is a script line run by the shell's own script
// runner on the desk, so a click does exactly what the same line does in `vexhost --script`.
// Safe to call from the server's threads: one call at a time holds the session.
#pragma once

#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Recording.h"
#include "drive/Options.h"
#include "vexhost/Accounting.h"
#include "vexhost/Document.h"

namespace vexhost {
class Session;
}

namespace vexdrive {
class Desk;
}

namespace vexweb {

// What a new session's fault plan holds, in the forms of vexhost's --fail-alloc, --raise and
// --status.
struct SessionFaults {
  std::vector<int> FailAllocations;
  std::vector<std::string> Raises;    // "OP[@OBJECT][#N][:KIND]", already checked
  std::vector<std::string> Statuses;  // "OP[@OBJECT][#N]=STATUS", already checked
};

struct ActOutcome {
  std::string Line;
  std::string Output;   // what the script printed for the line
  std::string Refusal;  // why it could not be done; empty when it was
  std::optional<std::vector<std::string>> Offer;  // for browse alone: what the class browser offers
};

class LiveSession {
 public:
  // Opens the first session on the document with the options' resources and faults; the module
  // must be loaded. `options.Document` names the document's file for the replay ("" embedded).
  LiveSession(vexhost::DocumentData document, const vexdrive::Options& options);
  ~LiveSession();
  LiveSession(const LiveSession&) = delete;
  LiveSession& operator=(const LiveSession&) = delete;

  // Runs one script line on the desk. A line the state does not allow is refused and changes
  // nothing; a line that was done is recorded.
  ActOutcome Act(const std::string& line);
  // Closes the session and opens a new one on the same document with this fault plan; the
  // recording starts again.
  void Restart(const SessionFaults& faults);

  nlohmann::json View();
  // The recorded session as a .vex script.
  std::string Script();
  // Ends the run as vexhost does: a running command is cancelled and destroyed. The accounting,
  // with what outlived the sessions that were closed for new ones.
  vexhost::AccountingReport End();

 private:
  void Open(const SessionFaults& faults);

  std::mutex _Mutex;
  const vexhost::DocumentData _Opened;
  const vexdrive::Options _Options;
  SessionFaults _Faults;
  std::unique_ptr<vexhost::Session> _Session;
  std::unique_ptr<vexdrive::Desk> _Desk;  // works _Session: goes before it
  Recording _Recording;
  std::vector<std::string> _Outlived;  // host objects left alive by a session closed for a new one
  struct Entry {
    std::string Line;
    std::string Output;
    bool Refused = false;
  };
  std::vector<Entry> _Transcript;  // what the page did since the session opened, refusals too
};

}  // namespace vexweb
