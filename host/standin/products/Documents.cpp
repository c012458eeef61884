// Opening, viewing and closing a session's document.
#include "Documents.h"

#include <stdexcept>

#include "ChangeNotes.h"
#include "Product.h"
#include "engine/Engine.h"
#include "gate/Gate.h"
#include "records/Objects.h"
#include "session/SessionState.h"
#include "vex/Products.h"
#include "vexhost/Document.h"
#include "vexhost/Session.h"

namespace vexhost {

std::vector<std::string> FamilyClasses(const DocumentData& document, const std::string& family) {
  if (document.ClassFamilies.empty()) return document.ClassCatalogue;
  for (const auto& known : document.ClassFamilies) {
    if (known.Name == family) return known.Classes;
  }
  return {};
}

namespace detail {

namespace {
Product* BuildProduct(const ProductData& data) {
  auto* product = MakeInternal<Product>(data.Name, data.IsProduct, data.PartNumber, data.InterimClass, data.Factory);
  for (const auto& child : data.Children) product->Adopt(BuildProduct(child));
  return product;
}

ProductData ViewOf(const Product& product) {
  ProductData data{product.Name(),         product.IsProduct(), product.PartNumber(),
                   product.InterimClass(), product.Factory(),   {}};
  for (const Product* child : product.Children()) data.Children.push_back(ViewOf(*child));
  return data;
}

// The products along `names` from the root; throws std::invalid_argument naming the first
// name that is not found.
std::vector<Product*> Resolve(Product* root, const std::vector<std::string>& names) {
  if (names.empty()) throw std::invalid_argument("an active path names at least the root product");
  if (root == nullptr || names.front() != root->Name()) {
    throw std::invalid_argument("the root product is not named '" + names.front() + "'");
  }
  std::vector<Product*> path{root};
  for (std::size_t i = 1; i < names.size(); ++i) {
    Product* child = path.back()->Child(names[i]);
    if (child == nullptr) {
      throw std::invalid_argument("'" + path.back()->Name() + "' has no child named '" + names[i] + "'");
    }
    path.push_back(child);
  }
  return path;
}

// Every product is addressed by the names from the root joined with '/', and the products a
// factory makes are named after their class: neither name may hold a '/'.
void CheckNames(const ProductData& product) {
  if (product.Name.find('/') != std::string::npos) {
    throw std::invalid_argument("the product name '" + product.Name + "' must not contain '/'");
  }
  for (const auto& child : product.Children) CheckNames(child);
}

void CheckNames(const DocumentData& document) {
  std::vector<std::string> classes = document.ClassCatalogue;
  for (const auto& family : document.ClassFamilies)
    classes.insert(classes.end(), family.Classes.begin(), family.Classes.end());
  for (const auto& name : classes) {
    if (name.find('/') != std::string::npos)
      throw std::invalid_argument("the class name '" + name + "' must not contain '/'");
  }
  CheckNames(document.Root);
}

void DropEditor(ProductModel& model) {
  if (model.Editor == nullptr) return;
  InternalScope internal;
  delete model.Editor->ActivePath;
  DestroyObject(model.Editor);
  model.Editor = nullptr;
  model.ActiveNames.clear();
}

void SetActive(ProductModel& model, const std::vector<std::string>& names) {
  std::vector<Product*> products = Resolve(model.Root, names);
  DropEditor(model);
  InfrastructureScope owned;
  InternalScope internal;
  model.Editor = new Editor();
  SetObjectName(model.Editor, "Editor");
  auto* path = new VexPathImpl{std::vector<VexBaseUnknown*>(products.begin(), products.end())};
  model.Editor->ActivePath = new VexPathElement(path);
  model.ActiveNames = names;
  NoteActivePath(names);
}

}  // namespace

void CloseDocument(Session::State& state) {
  ProductModel& model = ProductsOf(state);
  DropEditor(model);
  if (model.Root != nullptr) {
    InternalScope internal;
    Unref(model.Root);
    model.Root = nullptr;
  }
  // The tree and the active path are gone: nothing of the host points to its products any more.
  state.Objects.Reclaim(true);
  model.HasDocument = false;
  model.Document = DocumentData();
}

}  // namespace detail

void Session::OpenDocument(const DocumentData& data) {
  State& state = *_State;
  detail::ProductModel& model = detail::ProductsOf(state);
  // Check the names, build the new tree aside and check the active path first, so a bad
  // document changes nothing.
  detail::CheckNames(data);
  Product* root = nullptr;
  {
    detail::InfrastructureScope owned;
    root = detail::BuildProduct(data.Root);
  }
  if (data.ActivePath) {
    try {
      detail::Resolve(root, *data.ActivePath);
    } catch (...) {
      detail::InternalScope internal;
      detail::Unref(root);
      if (detail::EngineOf(state).Running == nullptr) state.Objects.Reclaim(false);
      throw;
    }
  }
  detail::CloseDocument(state);
  model.Root = root;
  model.Document = data;
  model.HasDocument = true;
  detail::NoteDocumentOpened(data);
  if (data.ActivePath) detail::SetActive(model, *data.ActivePath);
}

bool Session::HasDocument() const { return detail::ProductsOf(*_State).HasDocument; }

const DocumentData& Session::DocumentView() {
  detail::ProductModel& model = detail::ProductsOf(*_State);
  model.View = model.Document;
  if (model.Root != nullptr) model.View.Root = detail::ViewOf(*model.Root);
  if (model.Editor != nullptr) {
    model.View.ActivePath = model.ActiveNames;
  } else {
    model.View.ActivePath.reset();
  }
  return model.View;
}

void Session::SetActivePath(const std::vector<std::string>& names) {
  detail::ProductModel& model = detail::ProductsOf(*_State);
  if (!model.HasDocument) throw std::invalid_argument("no document is open");
  detail::SetActive(model, names);
}

void Session::RemoveEditor() {
  detail::DropEditor(detail::ProductsOf(*_State));
  detail::NoteEditorRemoved();
}

const std::vector<std::string>& Session::ClassCatalogue() const {
  return detail::ProductsOf(*_State).Document.ClassCatalogue;
}

std::vector<std::string> Session::ClassesOfFamily(const std::string& family) const {
  return FamilyClasses(detail::ProductsOf(*_State).Document, family);
}

}  // namespace vexhost
