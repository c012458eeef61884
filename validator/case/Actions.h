// What a person can do in the dialogs a command shows, read from snapshots of the open dialogs
// and written as script lines: press each usable button, close each dialog, acknowledge each
// message box, type sample texts into each editor, choose each class a frame's browser offers and
// a typed one. And what tells two states apart: the dialogs and the product model.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Scene.h"
#include "drive/Action.h"

namespace vexhost {
class Session;
}

namespace vexvalidator {

// What the texts typed into an editor are drawn from: what it shows and its widths in characters
// (0: none set).
struct EditorShape {
  std::string Shown;
  int VisibleWidth = 0;
  int MaxWidth = 0;
};
// The texts typed into an editor, each once: empty, ASCII, non-ASCII and exactly the editor's
// maximum width (a long text when it has none); then the text it shows, that text lengthened to
// the maximum with digits and with letters, digits alone one longer than it (unless it is digits),
// one past the editor's visible width and as wide as its maximum, and blanks. Each fits the editor: a narrow one gets
// them cut to its width. A text past the maximum is not typed: the host takes no more, as an
// editor does.
std::vector<std::string> SampleTexts(const EditorShape& editor);
std::vector<std::string> SampleTexts(int maxCharacterWidth);
// A class name no browser offers, typed into class frames.
inline constexpr const char* TypedClass = "Typed Class";

// Every action the shown dialogs allow, in a fixed order; `scene` is what the session shows now.
std::vector<vexdrive::Action> PossibleActions(vexhost::Session& session, const Scene& scene);
// The same as the script lines a case holds.
std::vector<std::string> PossibleLines(vexhost::Session& session, const Scene& scene);
std::vector<std::string> PossibleLines(vexhost::Session& session);

// The action a case's line stands for; nothing for a line that is no action (or none at all).
std::optional<vexdrive::Action> ActionOf(const std::string& line);
// The line that starts the command: its name as written in the dictionary.
std::string StartLine(const std::string& command);
// Whether a case's line is an action of this verb.
bool LineIs(const std::string& line, vexdrive::ActionVerb verb);

// A digest of what a person can see and what the product model holds: the open dialogs (shown or
// hidden, with their widgets' texts, visibility and sensitivity), the products and the active
// path, and whether a command runs and in which state.
std::string StateFingerprint(vexhost::Session& session, const Scene& scene);
std::string StateFingerprint(vexhost::Session& session);
// The same, given the running command's current state ("(none)" when none runs).
std::string StateFingerprint(vexhost::Session& session, const Scene& scene, const std::string& commandState);
// The running command's current state, "(none)" when none runs.
std::string CommandState(vexhost::Session& session);

}  // namespace vexvalidator
