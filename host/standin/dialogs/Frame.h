// The application frame: the session's layout and its main window.
#pragma once

#include "vex/Application.h"

namespace vexhost::detail {

class Layout : public VexFrmLayout {
 public:
  VexDlgWindow* MainWindow = nullptr;  // owned by the session
};

}  // namespace vexhost::detail
