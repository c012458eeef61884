// Compiled with exactly what the module compiles with: every contract header builds on its own.
#include "vex/Application.h"
#include "vex/Base.h"
#include "vex/Command.h"
#include "vex/Dialogs.h"
#include "vex/Dictionary.h"
#include "vex/ErrorBox.h"
#include "vex/Errors.h"
#include "vex/ObjectClassFrame.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"
#include "vex/Strings.h"

int ProbeContracts() { return VexDlgShow; }
