// The application frame and its layout.
#include "vex/Application.h"

#include "Frame.h"
#include "gate/Gate.h"
#include "records/Meta.h"
#include "session/SessionState.h"

using namespace vexhost::detail;

VEX_DEFINE_CLASS(VexFrmLayout, VexBaseUnknown)

VexFrmLayout* VexFrmLayout::GetCurrentLayout() {
  if (!Gate("GetCurrentLayout")) return nullptr;
  return HasSession() ? CurrentState().Layout : nullptr;
}

VexDlgWindow* VexFrmLayout::GetMainWindow() const {
  if (!Gate("GetMainWindow", this)) return nullptr;
  return static_cast<const Layout*>(this)->MainWindow;
}

void VexApplicationFrame::SetBusyCursor() {
  Gate("SetBusyCursor");
  if (HasSession()) CurrentState().Busy = true;
}
