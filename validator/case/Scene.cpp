#include "Scene.h"

#include "vexhost/Session.h"

namespace vexvalidator {

bool Scene::AnythingShown() const {
  for (const auto& window : Windows) {
    if (window.Visible) return true;
  }
  return false;
}

std::vector<std::string> Scene::ShownNames() const {
  std::vector<std::string> names;
  for (const auto& window : Windows) {
    if (window.Visible) names.push_back(window.Name);
  }
  return names;
}

std::vector<std::string> Scene::ShownWindows() const {
  std::vector<std::string> names;
  for (const auto& window : Windows) {
    if (window.Visible && (window.HasOK || window.Class == "VexDlgDialog")) names.push_back(window.Name);
  }
  return names;
}

Scene LookAt(vexhost::Session& session) {
  Scene scene;
  for (VexDialog* dialog : session.OpenDialogs()) scene.Windows.push_back(vexhost::Snapshot(*dialog));
  return scene;
}

}  // namespace vexvalidator
