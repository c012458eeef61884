// The host's error box: a message box that shows one text and an OK button.
#pragma once

#include "vex/Dialogs.h"

class VexStrErrorBox : public VexDlgNotify {
  VEX_DECLARE_CLASS
 public:
  explicit VexStrErrorBox(const VexString& name);
};
