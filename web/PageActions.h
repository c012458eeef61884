// What the page asks for, turned into script lines. A click, a typed text or a chosen class
// becomes the same line a script would hold, so that the session can be downloaded and replayed.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "LiveSession.h"

namespace vexdrive {
class Desk;
}

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

// The script line for {"verb": VERB, "target": TARGET, "text": TEXT}: only the verbs a person can
// do on the page. The generic ones work any module's dialogs by name:
//   press DIALOG/BUTTON, type DIALOG/EDITOR TEXT (may be empty), choose DIALOG/FRAME [CLASS],
//   browse DIALOG/FRAME [CLASS], close DIALOG, acknowledge DIALOG;
// start NAME, active PATH and noeditor act on the host; class, browse, partnumber, ok, cancel, close
// and ack without a target are the interim-product panel's short forms. Throws BadRequest (400)
// for anything else, a target or text where none belongs, a missing one, a target no script word
// can hold, or a text that holds a line break or another control character (C0, DEL or C1).
std::string ScriptLineFor(const nlohmann::json& action);

// What the class browser offers, for a line done that lists it ("browse" or "browse DIALOG/FRAME");
// nothing for any other line.
std::optional<std::vector<std::string>> OfferListed(const std::string& line, vexdrive::Desk& desk);

// The fault plan of a new session from {"failAlloc": [N, ...], "raise": ["OP[@OBJECT][#N][:KIND]", ...],
// "status": ["OP[@OBJECT][#N]=STATUS", ...]} (each optional, at most 16 of each). Throws BadRequest
// (400) for anything else.
SessionFaults FaultsFor(const nlohmann::json& request);

// The text as one script word: as it is when the script reads it back unchanged, else in double
// quotes with its quotes and backslashes escaped.
std::string ScriptWord(const std::string& text);
// The text in double quotes, its quotes and backslashes escaped.
std::string QuotedWord(const std::string& text);
// Whether the text holds a line break or another control character (C0, DEL or C1), which no
// script line can.
bool HoldsControl(const std::string& text);

}  // namespace vexweb
