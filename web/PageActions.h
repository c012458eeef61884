// What the page asks for, turned into script lines. A click, a typed text or a chosen class
// becomes the same line a script would hold, so that the session can be downloaded and replayed.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <stdexcept>
#include <string>

#include "LiveSession.h"

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

// The script line for {"verb": VERB, "text": TEXT}: only the verbs a person can do on the page
// (start, active, noeditor, class, browse, partnumber, ok, cancel, close, ack). Throws BadRequest
// (400) for anything else, a text where none belongs, a missing text, or a text that holds a line
// break or another control character.
std::string ScriptLineFor(const nlohmann::json& action);

// The fault plan of a new session from {"failAlloc": [N, ...], "raise": ["OP[@OBJECT][#N][:KIND]", ...],
// "status": ["OP[@OBJECT][#N]=STATUS", ...]} (each optional, at most 16 of each). Throws BadRequest
// (400) for anything else.
SessionFaults FaultsFor(const nlohmann::json& request);

// The text as one script word: as it is when the script reads it back unchanged, else in double
// quotes with its quotes and backslashes escaped.
std::string ScriptWord(const std::string& text);
// The text in double quotes, its quotes and backslashes escaped.
std::string QuotedWord(const std::string& text);
// Whether the text holds a line break or another control character, which no script line can.
bool HoldsControl(const std::string& text);

}  // namespace vexweb
