// What the page's tests share: the program's module profile, and the script line an action on the
// page is recorded as.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "drive/Action.h"
#include "drive/Words.h"
#include "profiles/InterimProduct.h"
#include "web/PageActions.h"

namespace vexweb {

// The profile the program hands the page: the interim-product panel's short forms.
inline const vexdrive::Profile* Ours() { return &vexprofiles::InterimProductProfile(); }

// The script line the page records for a JSON action.
inline std::string ScriptLineFor(const nlohmann::json& action) {
  return vexdrive::ActionLine(ActionFor(action, Ours()));
}

// The action a script line stands for; the line must be one.
inline vexdrive::Action LineAction(const std::string& line) {
  return *vexdrive::ParseAction(*vexdrive::ParseLine(line, 1), Ours());
}

}  // namespace vexweb
