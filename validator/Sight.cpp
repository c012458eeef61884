#include "Sight.h"

#include "vexhost/Session.h"

namespace vexvalidator {

bool Sight::AnythingShown() const {
  for (const auto& window : Windows) {
    if (window.Visible) return true;
  }
  return false;
}

std::vector<std::string> Sight::ShownNames() const {
  std::vector<std::string> names;
  for (const auto& window : Windows) {
    if (window.Visible) names.push_back(window.Name);
  }
  return names;
}

std::vector<std::string> Sight::ShownWindows() const {
  std::vector<std::string> names;
  for (const auto& window : Windows) {
    if (window.Visible && (window.HasOK || window.Class == "VexDlgDialog")) names.push_back(window.Name);
  }
  return names;
}

Sight LookAt(vexhost::Session& session) {
  Sight sight;
  for (VexDialog* dialog : session.OpenDialogs()) sight.Windows.push_back(vexhost::Snapshot(*dialog));
  return sight;
}

}  // namespace vexvalidator
