// A module's profile: the short forms a script may use for its dialogs (`ok` for pressing OK in
// its panel) and the names its short expectations read. The core knows no module; the front end
// that serves one hands its profile to the script and the page.
#pragma once

#include <string>
#include <vector>

#include "Action.h"

namespace vexdrive {

// What a verb takes after it.
enum class Takes { Nothing, Text, OptionalText };

struct Shorthand {
  std::vector<std::string> Names;  // the first is the one the help shows
  std::string Usage;
  std::string Help;
  Takes Argument = Takes::Nothing;
  std::string Needs;  // what the state must allow, named when it does not
  // The generic action it stands for, on this dialog or widget.
  ActionVerb Stands = ActionVerb::Press;
  Address Target;
};

struct Profile {
  std::vector<Shorthand> Shorthands;
  // What `expect ok|browser|editor|error` read: the panel, its class browser's button, its editor,
  // and the error box.
  std::string Panel;
  std::string BrowserButton;
  std::string Editor;
  std::string ErrorBox;
};

// The action of a short form written as `name` (one of its names), with the text written after it.
Action ShortAction(const Shorthand& shorthand, const std::string& name, std::optional<std::string> text,
                   Writing writing);

}  // namespace vexdrive
