// The product model as a driver watches it, at a cost in proportion to what is looked at: one
// product found by its path, the active path, and the changes of the model as they happen
// (products created, part numbers set, the active path set or the editor removed, a document
// opened). A tool reports after each step what that step changed without copying the document.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "vexhost/Document.h"

namespace vexhost {

class Session;

// One product of the open document: its data without its children, and how many it has.
struct ProductSight {
  ProductData Product;  // Children left empty
  std::size_t ChildCount = 0;
};

// The product at `names` (from the root), or nothing. Follows the host's index of children.
std::optional<ProductSight> SeeProduct(Session& session, const std::vector<std::string>& names);
// The children of the product at `names`, each without its own children; empty when there is none.
std::vector<ProductData> SeeChildren(Session& session, const std::vector<std::string>& names);
// The names of the active path; nothing when no document editor is current.
std::optional<std::vector<std::string>> ActiveNames(Session& session);

struct ProductChange {
  enum class Kind { DocumentOpened, ProductCreated, PartNumberSet, ActivePathSet, EditorRemoved };
  Kind What = Kind::ProductCreated;
  // The product's names from the root (created, part number); the new active path; for an
  // opened document its root alone.
  std::vector<std::string> Path;
  std::string InterimClass;  // of a created product
  std::string Before;        // the part number before it was set
  std::string After;         // the part number set; the name of an opened document
};

// Collects the changes of the session's product model from its construction on, until it is
// destroyed. Watches may overlap; each gets every change. Without a watch nothing is recorded.
class ChangeWatch {
 public:
  explicit ChangeWatch(Session& session);
  ~ChangeWatch();
  ChangeWatch(const ChangeWatch&) = delete;
  ChangeWatch& operator=(const ChangeWatch&) = delete;

  // The changes since the last call, in the order they happened.
  std::vector<ProductChange> Take();

  // Called by the host as the changes happen.
  void Record(const ProductChange& change) { _Pending.push_back(change); }
  const Session* Watched() const { return _Session; }

 private:
  const Session* _Session;  // borrowed
  std::vector<ProductChange> _Pending;
};

}  // namespace vexhost
