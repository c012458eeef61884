// A module that does at load what a module must not: it makes a host object and calls it, gives
// the thread-call switch a null handle, registers a command whose factory it does not export and
// one with another factory than the one it exports. The host's tests load it to see each recorded.
#include "vex/Dialogs.h"
#include "vex/Dictionary.h"

#ifdef _WIN32
#define VEX_TEST_EXPORT extern "C"  // a DLL exports what its module-definition file names
#else
#define VEX_TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

VexBaseUnknown* CreateNothing() { return nullptr; }

}  // namespace

VEX_TEST_EXPORT VexBaseUnknown* fctCreateVexTestOtherFactoryCmd() { return nullptr; }
VEX_TEST_EXPORT int TOVARIK_KEL2_INTERNAL_VexTestLoadMisuse() { return 1; }

namespace {

VexFillDictionary Hidden("VexTestHiddenFactoryCmd", &CreateNothing);
VexFillDictionary Other("VexTestOtherFactoryCmd", &CreateNothing);

struct CallsTheHost {
  CallsTheHost() {
    VexDlgLabel* label = new VexDlgLabel(nullptr, "MadeAtLoad", 0);
    if (label == nullptr) return;
    label->SetTitle("made at load");
    label->Release();
  }
} AtLoad;

__attribute__((constructor)) void AttachToProcess() { DisableThreadLibraryCalls(nullptr); }

}  // namespace
