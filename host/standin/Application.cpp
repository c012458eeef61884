// The application frame and its layout.
#include "HostState.h"
#include "Meta.h"
#include "SessionState.h"

using namespace vexhost::detail;

VEX_DEFINE_CLASS(VexFrmLayout, VexBaseUnknown)

VexFrmLayout* VexFrmLayout::GetCurrentLayout() {
  Boundary("GetCurrentLayout");
  return HasSession() ? CurrentState().Layout : nullptr;
}

VexDlgWindow* VexFrmLayout::GetMainWindow() const {
  Boundary("GetMainWindow", this);
  return _MainWindow;
}

void VexApplicationFrame::SetBusyCursor() {
  Boundary("SetBusyCursor");
  if (HasSession()) CurrentState().Busy = true;
}

VexFrmLayout* vexhost::Inspect::NewLayout() {
  auto* layout = MakeInternal<VexFrmLayout>();
  SetObjectName(layout, "Layout");
  return layout;
}
