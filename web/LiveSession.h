// The one stand-in session the page works: the module loaded, the document open, a desk on it,
// and the script of what was done. Every action is done by the script runner on the desk and
// recorded as its script line, so a click does exactly what that line does in `vexhost --script`.
// Safe to call from the server's threads: one call at a time holds the session, and an action's
// answer carries the view taken under the same hold, so that no other client's action can slip
// in between.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
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
struct Action;
struct Profile;
}  // namespace vexdrive

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
  std::string Output;                             // what the script printed for the line
  std::string Refusal;                            // why it could not be done; empty when it was
  std::optional<std::vector<std::string>> Offer;  // for browse alone: what the class browser offers
  nlohmann::json View;                            // the view right after the action
};

// An action or a new session asked for after the server began to stop.
class Stopping : public std::runtime_error {
 public:
  Stopping() : std::runtime_error("the server is stopping: it takes no more actions") {}
};

// The most a recording holds. Past either, an action is refused: the session is to be downloaded
// and a new one started, rather than the recording cut short.
struct RecordingBounds {
  std::size_t Lines = 100'000;
  std::size_t Bytes = 4 * 1024 * 1024;
};
// The latest entries of the transcript kept (and shown); the older ones are counted.
inline constexpr std::size_t TranscriptKept = 40;

class LiveSession {
 public:
  // Opens the first session on the document with the options' resources and faults; the module
  // must be loaded. `options.Document` names the document's file for the replay ("" embedded).
  LiveSession(vexhost::DocumentData document, const vexdrive::Options& options, RecordingBounds bounds = {});
  ~LiveSession();
  LiveSession(const LiveSession&) = delete;
  LiveSession& operator=(const LiveSession&) = delete;

  // Does one action on the desk as the script runner does its line. An action the state does not
  // allow is refused and changes nothing; one that was done is recorded as its script line.
  // Throws Stopping once StopActions was called.
  ActOutcome Act(const vexdrive::Action& action);
  // The short forms the page may ask for; null when none.
  const vexdrive::Profile* ModuleProfile() const { return _Options.ModuleProfile; }
  // Closes the session and opens a new one on the same document with this fault plan; the
  // recording starts again. Returns the new session's view. Throws Stopping once StopActions
  // was called.
  nlohmann::json Restart(const SessionFaults& faults);
  // From now on every action and new session is refused; one under way ends first.
  void StopActions() { _Stopping = true; }

  // What the page shows. Its "version" is raised by every action, done or refused, and every
  // new session, and never goes back.
  nlohmann::json View();
  std::uint64_t Version() const { return _Version; }
  // The recorded session as a .vex script.
  std::string Script();
  // Ends the run as vexhost does: a running command is cancelled and destroyed. The accounting,
  // with what outlived the sessions that were closed for new ones.
  vexhost::AccountingReport End();

 private:
  void Open(const SessionFaults& faults);
  nlohmann::json ViewHeld();  // with _Mutex held
  std::string RecordingFull(const std::string& line) const;
  void Transcribe(const ActOutcome& outcome);

  std::mutex _Mutex;
  std::atomic<bool> _Stopping = false;
  std::atomic<std::uint64_t> _Version = 1;
  const vexhost::DocumentData _Opened;
  const vexdrive::Options _Options;
  const RecordingBounds _Bounds;
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
  std::deque<Entry> _Transcript;  // the latest of what the page did since the session opened, refusals too
  std::size_t _TranscriptDropped = 0;
  std::size_t _RecordedBytes = 0;
};

}  // namespace vexweb
