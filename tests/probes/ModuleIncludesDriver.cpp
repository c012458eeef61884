// Compiled with exactly what the module compiles with: it must not build, since the stand-in's
// driver interface is not on the module's include path.
#include "vexhost/Session.h"

int ProbeDriverHeader() { return vexhost::Session::LiveObjects(); }
