// What the page asks for, turned into actions. A click, a typed text or a chosen class becomes the
// same action a script line stands for, so that the session can be recorded and replayed.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "LiveSession.h"
#include "drive/Action.h"

namespace vexdrive {
class Desk;
struct Profile;
}  // namespace vexdrive

namespace vexweb {

// A request that cannot be understood or may not be made: answered with a 4xx and the message.
class BadRequest : public std::runtime_error {
 public:
  BadRequest(int status, const std::string& message) : std::runtime_error(message), _Status(status) {}
  int Status() const { return _Status; }

 private:
  int _Status;
};

// The longest text the page may send for a verb, in bytes.
inline constexpr std::size_t LongestActionText = 4096;

// The action for {"verb": VERB, "target": TARGET, "text": TEXT}: only the verbs a person can do on
// the page. The generic ones work any module's dialogs by name:
//   press DIALOG/BUTTON, type DIALOG/EDITOR TEXT (may be empty), choose DIALOG/FRAME [CLASS],
//   browse DIALOG/FRAME [CLASS], close DIALOG, acknowledge DIALOG;
// start NAME, active PATH and noeditor act on the host; a verb without a target that is none of
// these (browse and close included) is one of the profile's short forms, asked for by its first
// name. Its texts are recorded as typed. Throws BadRequest (400) for anything else, a target or text
// where none belongs, a missing one, a target no script word can hold, or a text that holds a line
// break or another control character (C0, DEL or C1).
vexdrive::Action ActionFor(const nlohmann::json& action, const vexdrive::Profile* profile);

// What the class browser offers, for an action done that lists it (browse without a class);
// nothing for any other action.
std::optional<std::vector<std::string>> OfferListed(const vexdrive::Action& action, vexdrive::Desk& desk);

// The fault plan of a new session from {"failAlloc": [N, ...], "raise": ["OP[@OBJECT][#N][:KIND]", ...],
// "status": ["OP[@OBJECT][#N]=STATUS", ...]} (each optional, at most 16 of each). Throws BadRequest
// (400) for anything else.
SessionFaults FaultsFor(const nlohmann::json& request);

// Whether the text holds a line break or another control character (C0, DEL or C1), which no
// script line can.
bool HoldsControl(const std::string& text);

}  // namespace vexweb
