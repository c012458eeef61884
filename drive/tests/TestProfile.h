// A module's profile as a front end hands one to the script: short forms for a dialog "Form" (its
// class frame "frame", its editor "editor", OK and Cancel) and its message box "Note".
#pragma once

#include "drive/Profile.h"

namespace vexdrive::testing {

inline const Profile& FormProfile() {
  static const Profile profile{
      {
          {{"class", "choose"},
           "class NAME",
           "choose a class in the frame",
           Takes::OptionalText,
           "the form shown",
           ActionVerb::Choose,
           {"Form", "frame"}},
          {{"browse"},
           "browse [NAME]",
           "list what the frame's browser offers",
           Takes::OptionalText,
           "the form's browser",
           ActionVerb::Browse,
           {"Form", "frame"}},
          {{"partnumber", "type"},
           "partnumber TEXT",
           "replace the editor's text",
           Takes::OptionalText,
           "the form's editor",
           ActionVerb::Type,
           {"Form", "editor"}},
          {{"ok"},
           "ok",
           "press OK in the form",
           Takes::Nothing,
           "the form shown, with OK sensitive",
           ActionVerb::Press,
           {"Form", "OK"}},
          {{"close"}, "close", "close the form", Takes::Nothing, "the form shown", ActionVerb::Close, {"Form", {}}},
          {{"ack", "acknowledge"},
           "ack",
           "press OK in the note",
           Takes::Nothing,
           "the note shown",
           ActionVerb::Acknowledge,
           {"Note", {}}},
      },
      "Form",
      "browser",
      "editor",
      "Note",
  };
  return profile;
}

}  // namespace vexdrive::testing
