// Opening, viewing and closing a session's document.
#include <stdexcept>

#include "ChangeNotes.h"
#include "Product.h"
#include "SessionState.h"

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
  ProductData data{product.Name(), product.IsProduct(), product.PartNumber(), product.InterimClass(), product.Factory(), {}};
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
  for (const auto& family : document.ClassFamilies) classes.insert(classes.end(), family.Classes.begin(), family.Classes.end());
  for (const auto& name : classes) {
    if (name.find('/') != std::string::npos) throw std::invalid_argument("the class name '" + name + "' must not contain '/'");
  }
  CheckNames(document.Root);
}

}  // namespace

void DropEditor(Session::State& state) {
  if (state.Editor == nullptr) return;
  InternalScope internal;
  delete state.Editor->ActivePath;
  DestroyObject(state.Editor);
  state.Editor = nullptr;
  state.ActiveNames.clear();
}

void CloseDocument(Session::State& state) {
  DropEditor(state);
  if (state.Root != nullptr) {
    InternalScope internal;
    Unref(state.Root);
    state.Root = nullptr;
  }
  // The tree and the active path are gone: nothing of the host points to its products any more.
  state.Objects.Reclaim(true);
  state.HasDocument = false;
  state.Document = DocumentData();
}

void SetActive(Session::State& state, const std::vector<std::string>& names) {
  std::vector<Product*> products = Resolve(state.Root, names);
  DropEditor(state);
  InfrastructureScope owned;
  InternalScope internal;
  state.Editor = new Editor();
  SetObjectName(state.Editor, "Editor");
  auto* path = new VexPathImpl{std::vector<VexBaseUnknown*>(products.begin(), products.end())};
  state.Editor->ActivePath = new VexPathElement(path);
  state.ActiveNames = names;
  NoteActivePath(names);
}

}  // namespace detail

void Session::OpenDocument(const DocumentData& data) {
  State& state = *_State;
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
      if (state.Running == nullptr) state.Objects.Reclaim(false);
      throw;
    }
  }
  detail::CloseDocument(state);
  state.Root = root;
  state.Document = data;
  state.HasDocument = true;
  detail::NoteDocumentOpened(data);
  if (data.ActivePath) detail::SetActive(state, *data.ActivePath);
}

bool Session::HasDocument() const { return _State->HasDocument; }

const DocumentData& Session::DocumentView() {
  State& state = *_State;
  state.View = state.Document;
  if (state.Root != nullptr) state.View.Root = detail::ViewOf(*state.Root);
  if (state.Editor != nullptr) {
    state.View.ActivePath = state.ActiveNames;
  } else {
    state.View.ActivePath.reset();
  }
  return state.View;
}

void Session::SetActivePath(const std::vector<std::string>& names) {
  if (!_State->HasDocument) throw std::invalid_argument("no document is open");
  detail::SetActive(*_State, names);
}

void Session::RemoveEditor() {
  detail::DropEditor(*_State);
  detail::NoteEditorRemoved();
}

const std::vector<std::string>& Session::ClassCatalogue() const { return _State->Document.ClassCatalogue; }

std::vector<std::string> Session::ClassesOfFamily(const std::string& family) const {
  return FamilyClasses(_State->Document, family);
}

}  // namespace vexhost
