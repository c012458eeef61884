// What a person sees at one moment: a snapshot of each open dialog, taken once a step and handed to
// whatever reads it (the state's fingerprint, the actions possible there, the checks of a step and
// of the end of a path), so that no step snapshots the same dialogs twice.
#pragma once

#include <string>
#include <vector>

#include "vexhost/Snapshot.h"

namespace vexhost {
class Session;
}

namespace vexvalidator {

struct Scene {
  std::vector<vexhost::WidgetView> Windows;  // the open dialogs, shown or hidden, in order of names

  bool AnythingShown() const;
  std::vector<std::string> ShownNames() const;
  // The shown windows a person answers: dialogs with OK and Cancel, message boxes.
  std::vector<std::string> ShownWindows() const;
};

Scene LookAt(vexhost::Session& session);

}  // namespace vexvalidator
