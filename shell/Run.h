// One run of the shell: the module loaded, a session on the document, the script, and what is
// written at the end (journal, picture, accounting report).
#pragma once

#include <string>

#include "Options.h"
#include "vexhost/Document.h"
#include "vexhost/FaultPlan.h"

namespace vexhost {
class Session;
}

namespace vexshell {

// The steps of starting a run, each reporting on standard output and throwing BadInput for what
// cannot be used; also used by the page server.
vexhost::DocumentData LoadDocument(const Options& options);
void LoadModule(const std::string& path);
void OpenDocument(vexhost::Session& session, const vexhost::DocumentData& document, const Options& options);
void ArmFaults(vexhost::FaultPlan& plan, const Options& options);

// Returns the exit code.
int Run(const Options& options);

}  // namespace vexshell
