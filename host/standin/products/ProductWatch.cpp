// Single products by path and the change watches.
#include "vexhost/ProductWatch.h"

#include <algorithm>

#include "ChangeNotes.h"
#include "Documents.h"
#include "Product.h"
#include "session/SessionState.h"
#include "vexhost/Document.h"
#include "vexhost/Session.h"

namespace vexhost {

namespace {

std::vector<ChangeWatch*>& Watches() {
  static std::vector<ChangeWatch*> watches;
  return watches;
}

void Tell(const ProductChange& change) {
  const Session* current = Session::Current();
  for (ChangeWatch* watch : Watches()) {
    if (watch->Watched() == current) watch->Record(change);
  }
}

std::vector<std::string> PathOf(const Product& product) {
  std::vector<std::string> names;
  for (const Product* current = &product; current != nullptr; current = current->Parent())
    names.push_back(current->Name());
  std::reverse(names.begin(), names.end());
  return names;
}

ProductData DataOf(const Product& product) {
  return {product.Name(), product.IsProduct(), product.PartNumber(), product.InterimClass(), product.Factory(), {}};
}

const Product* Find(Session& session, const std::vector<std::string>& names) {
  const Product* current = detail::ProductsOf(StateOf(session)).Root;
  if (current == nullptr || names.empty() || names.front() != current->Name()) return nullptr;
  for (std::size_t i = 1; i < names.size() && current != nullptr; ++i) current = current->Child(names[i]);
  return current;
}

}  // namespace

std::optional<ProductSight> SeeProduct(Session& session, const std::vector<std::string>& names) {
  const Product* product = Find(session, names);
  if (product == nullptr) return std::nullopt;
  return ProductSight{DataOf(*product), product->Children().size()};
}

std::vector<ProductData> SeeChildren(Session& session, const std::vector<std::string>& names) {
  std::vector<ProductData> children;
  if (const Product* product = Find(session, names)) {
    for (const Product* child : product->Children()) children.push_back(DataOf(*child));
  }
  return children;
}

std::optional<std::vector<std::string>> ActiveNames(Session& session) {
  const detail::ProductModel& model = detail::ProductsOf(StateOf(session));
  if (model.Editor == nullptr) return std::nullopt;
  return model.ActiveNames;
}

ChangeWatch::ChangeWatch(Session& session) : _Session(&session) { Watches().push_back(this); }

ChangeWatch::~ChangeWatch() { std::erase(Watches(), this); }

std::vector<ProductChange> ChangeWatch::Take() {
  std::vector<ProductChange> taken;
  taken.swap(_Pending);
  return taken;
}

namespace detail {

void NoteDocumentOpened(const DocumentData& document) {
  if (Watches().empty()) return;
  Tell({ProductChange::Kind::DocumentOpened, {document.Root.Name}, {}, {}, document.Name});
}

void NoteProductCreated(const Product& product) {
  if (Watches().empty()) return;
  Tell({ProductChange::Kind::ProductCreated, PathOf(product), product.InterimClass(), {}, {}});
}

void NotePartNumber(const Product& product, const std::string& after) {
  if (Watches().empty()) return;
  Tell({ProductChange::Kind::PartNumberSet, PathOf(product), {}, product.PartNumber(), after});
}

void NoteActivePath(const std::vector<std::string>& names) {
  if (Watches().empty()) return;
  Tell({ProductChange::Kind::ActivePathSet, names, {}, {}, {}});
}

void NoteEditorRemoved() {
  if (Watches().empty()) return;
  Tell({ProductChange::Kind::EditorRemoved, {}, {}, {}, {}});
}

}  // namespace detail

}  // namespace vexhost
