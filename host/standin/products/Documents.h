// products: the product model. Products and their interim-product factory (Product.h); the
// session's document, its current editor and active path (here); and the notes that tell change
// watches what happened (ChangeNotes.h).
#pragma once

#include <vector>

#include "session/SessionState.h"
#include "vex/Products.h"

namespace vexhost::detail {

// The current document editor.
class Editor : public VexFrmEditor {
 public:
  VexPathElement* ActivePath = nullptr;  // owned
};

// Closes the session's document: drops the editor and the product tree.
void CloseDocument(Session::State& state);

}  // namespace vexhost::detail

class VexPathImpl {
 public:
  std::vector<VexBaseUnknown*> Objects;  // each holds a reference of the path's
};
