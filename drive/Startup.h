// The steps of starting a run, shared by every front end that runs a module on a document: each
// reports on standard output and throws BadInput for what cannot be used.
#pragma once

#include <iosfwd>
#include <string>

#include "Options.h"
#include "vexhost/Document.h"
#include "vexhost/FaultPlan.h"

namespace vexhost {
class Session;
}

namespace vexdrive {

vexhost::DocumentData LoadDocument(const Options& options);
void LoadModule(const std::string& path);
void OpenDocument(vexhost::Session& session, const vexhost::DocumentData& document, const Options& options);
void ArmFaults(vexhost::FaultPlan& plan, const Options& options);
// What the run says on standard output: texts from the document or the module made printable,
// the lines kept.
void Say(const std::string& text);
// Where Say writes from now on (standard output until a front end says otherwise): a front end
// that tells the module's output from its own gives its own stream.
void SayTo(std::ostream& out);

}  // namespace vexdrive
