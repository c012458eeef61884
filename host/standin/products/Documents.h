// products: the product model. Products and their interim-product factory (Product.h); the
// session's document, its current editor and active path (here); and the notes that tell change
// watches what happened (ChangeNotes.h).
#pragma once

#include <string>
#include <vector>

#include "session/SessionState.h"
#include "vex/Products.h"
#include "vexhost/Document.h"

namespace vexhost {

class Product;

namespace detail {

// The current document editor.
class Editor : public VexFrmEditor {
 public:
  VexPathElement* ActivePath = nullptr;  // owned
};

// The product model's part of a session.
struct ProductModel {
  bool HasDocument = false;
  DocumentData Document;             // names, catalogue, factory data: the document as opened
  Product* Root = nullptr;           // infrastructure, one reference held by the document
  detail::Editor* Editor = nullptr;  // infrastructure; null: no current editor
  std::vector<std::string> ActiveNames;
  DocumentData View;  // rebuilt on request from the products
};

inline ProductModel& ProductsOf(Session::State& session) { return session.Parts.Obtain<ProductModel>(); }

// Closes the session's document: drops the editor and the product tree.
void CloseDocument(Session::State& state);

}  // namespace detail

}  // namespace vexhost

class VexPathImpl {
 public:
  std::vector<VexBaseUnknown*> Objects;  // each holds a reference of the path's
};
