// The application frame: the session's layout, its main window, the windows on it and the busy
// cursor.
#include "vex/Application.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "Dialogs.h"
#include "Frame.h"
#include "engine/Engine.h"
#include "gate/Gate.h"
#include "records/Meta.h"
#include "records/Objects.h"
#include "session/SessionState.h"
#include "vex/Dialogs.h"
#include "vexhost/Session.h"

using namespace vexhost::detail;

VEX_DEFINE_CLASS(VexFrmLayout, VexBaseUnknown)

VexFrmLayout* VexFrmLayout::GetCurrentLayout() {
  if (!Gate("GetCurrentLayout")) return nullptr;
  return HasSession() ? FrameOf(CurrentState()).Layout : nullptr;
}

VexDlgWindow* VexFrmLayout::GetMainWindow() const {
  if (!Gate("GetMainWindow", this)) return nullptr;
  return static_cast<const Layout*>(this)->MainWindow;
}

void VexApplicationFrame::SetBusyCursor() {
  Gate("SetBusyCursor");
  if (HasSession()) EngineOf(CurrentState()).Busy = true;
}

namespace vexhost {

namespace detail {

void OpenFrame(Session::State& session) {
  FrameState& frame = FrameOf(session);
  InfrastructureScope owned;
  InternalScope internal;
  if (session.Options.WithLayout) {
    frame.Layout = new Layout();
    SetObjectName(frame.Layout, "Layout");
    if (session.Options.WithMainWindow) {
      frame.MainWindow = new VexDlgWindow(nullptr, "MainWindow", 0);
      std::erase(frame.TopDialogs, frame.MainWindow);  // the frame of the others, not one of them
      DialogOf(*frame.MainWindow).Visibility = VexDlgShow;
      frame.Layout->MainWindow = frame.MainWindow;
    }
  }
}

void CloseFrame(Session::State& session) {
  FrameState& frame = FrameOf(session);
  InternalScope internal;
  if (frame.MainWindow != nullptr) DestroyObject(frame.MainWindow);  // its remaining children go with it
  if (frame.Layout != nullptr) DestroyObject(frame.Layout);
}

}  // namespace detail

VexDlgWindow* Session::MainWindow() const { return FrameOf(*_State).MainWindow; }

std::vector<VexDialog*> Session::OpenDialogs() const {
  std::vector<VexDialog*> dialogs;
  for (VexDialog* dialog : FrameOf(*_State).TopDialogs) {
    if (!ImplOf(*dialog).IsDead()) dialogs.push_back(dialog);
  }
  // In order of names, so that what is drawn does not depend on the order of creation.
  std::stable_sort(dialogs.begin(), dialogs.end(), [](VexDialog* a, VexDialog* b) {
    return std::string_view(a->GetName().CastToCharPtr()) < std::string_view(b->GetName().CastToCharPtr());
  });
  return dialogs;
}

VexDialog* Session::FindDialog(const std::string& name) const {
  for (VexDialog* dialog : OpenDialogs()) {
    if (name == dialog->GetName().CastToCharPtr()) return dialog;
  }
  return nullptr;
}

}  // namespace vexhost
