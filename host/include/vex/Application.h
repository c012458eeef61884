// The application frame and its layout.
#pragma once

#include "vex/Dialogs.h"

class VexFrmLayout : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 public:
  // The layout of the running application, or null.
  static VexFrmLayout* GetCurrentLayout();
  // The application's main window, or null.
  VexDlgWindow* GetMainWindow() const;

 protected:
  VexFrmLayout() = default;  // the host makes the layout
};

class VexApplicationFrame {
 public:
  // Shows the busy cursor; the host clears it when the command ends.
  static void SetBusyCursor();
};
