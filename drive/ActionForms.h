// The forms of the script's lines: the generic verbs, the host's verbs and the script's own
// commands, each with its usage, help and what the state must allow. Shared by the parser and
// writer of actions (Action.cpp) and the help and names (ActionForms.cpp); nothing else includes it.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "Action.h"
#include "Profile.h"

namespace vexdrive::forms {

// Which lines of a generic verb are its generic form; the others are a profile's short form.
enum class Shape {
  Always,       // a verb of its own
  AnyArgument,  // with an argument (without one it is the short form)
  Address,      // its first word is an unquoted DIALOG/WIDGET
};

struct GenericForm {
  std::vector<std::string> Names;  // the first is the one the help shows and messages name
  ActionVerb Verb;
  std::string Usage;
  std::string Help;
  Shape When;
  std::string Needs;
};

// The host's verbs and the script's own commands: a verb word and what follows it as one text.
struct LineForm {
  std::vector<std::string> Names;
  std::string Usage;
  std::string Help;
  Takes Argument;
  std::string Needs;
  std::optional<ActionVerb> Verb;  // nothing: the script's own command
  std::optional<OwnCommand> Own;
};

const std::vector<GenericForm>& GenericForms();
const std::vector<LineForm>& HostForms();
const std::vector<LineForm>& OwnForms();

// Whether the names hold the verb.
bool Names(const std::vector<std::string>& names, const std::string& verb);
// The profile's short form of this name; null without a profile or such a form.
const Shorthand* FindShorthand(const Profile* profile, const std::string& verb);

template <class Form>
const Form* FindForm(const std::vector<Form>& forms, const std::string& verb) {
  for (const Form& form : forms) {
    if (Names(form.Names, verb)) return &form;
  }
  return nullptr;
}

}  // namespace vexdrive::forms
