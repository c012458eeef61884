// The document a run uses when none is given: a small ship.
#pragma once

#include <string>

#include "vexhost/Document.h"

namespace vexdrive {

// The document as JSON, in the format --document reads.
const std::string& DefaultDocumentJson();
vexhost::DocumentData DefaultDocument();

}  // namespace vexdrive
