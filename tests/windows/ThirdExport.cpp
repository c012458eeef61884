// A module that exports a third name with __declspec(dllexport), besides its factory and marker:
// its build must fail, saying which name is too many.
#include "vex/Dictionary.h"

extern "C" VexBaseUnknown* fctCreateVexTestThirdExportCmd() { return nullptr; }
extern "C" int TOVARIK_KEL2_INTERNAL_VexTestThirdExport() { return 1; }
extern "C" __declspec(dllexport) int VexTestPlantedExport() { return 3; }

namespace {

VexFillDictionary Registration("VexTestThirdExportCmd", &fctCreateVexTestThirdExportCmd);

}  // namespace
