// The product model: products, their factory, the active path, the current editor and the
// product handle.
#include <algorithm>

#include "ChangeNotes.h"
#include "HostState.h"
#include "Meta.h"
#include "Product.h"
#include "SessionState.h"

using namespace vexhost::detail;

const VexIID IID_VexIProduct{"VexIProduct"};
const VexIID IID_VexIStrInterimProductFactory{"VexIStrInterimProductFactory"};

const char* VexIProduct::ClassName() { return "VexIProduct"; }

namespace vexhost {

Product::Product(std::string name, bool isProduct, std::string partNumber, std::string interimClass,
                 FactoryData factory)
    : _Name(std::move(name)),
      _IsProduct(isProduct),
      _PartNumber(std::move(partNumber)),
      _InterimClass(std::move(interimClass)),
      _Factory(std::move(factory)) {
  SetObjectName(this, _Name);
}

VexHRESULT Product::QueryInterface(const VexIID& iid, void** out) {
  Boundary("QueryInterface", this, {iid.Name});
  if (out == nullptr) return VexE_FAIL;
  *out = nullptr;
  if (!_IsProduct) return VexE_NOINTERFACE;
  if (iid == IID_VexIProduct) {
    Ref(this);
    *out = static_cast<VexIProduct*>(this);
    return VexS_OK;
  }
  if (iid == IID_VexIStrInterimProductFactory && _Factory.Present) {
    auto* factory = MakeInternal<InterimProductFactory>(this);
    *out = static_cast<VexIStrInterimProductFactory*>(factory);
    return VexS_OK;
  }
  return VexE_NOINTERFACE;
}

VexUnicodeString Product::GetPartNumber() {
  Boundary("GetPartNumber", this);
  return VexUnicodeString(_PartNumber.c_str());
}

VexHRESULT Product::SetPartNumber(const VexUnicodeString& partNumber) {
  Boundary("SetPartNumber", this, {Quote(partNumber.CastToCharPtr())});
  NotePartNumber(*this, partNumber.CastToCharPtr());
  _PartNumber = partNumber.CastToCharPtr();
  return VexS_OK;
}

Product* Product::Child(const std::string& name) const {
  auto found = _ChildByName.find(name);
  return found == _ChildByName.end() ? nullptr : found->second;
}

void Product::Adopt(Product* child) {
  _Children.push_back(child);
  _ChildByName.emplace(child->Name(), child);  // the first child of a name is the one found
  child->_Parent = this;
}

std::string Product::FreeChildName(const std::string& base) {
  int& number = _NextFreeNumber.try_emplace(base, 1).first->second;
  for (;; ++number) {
    std::string name = base + " " + std::to_string(number);
    if (Child(name) == nullptr) return name;
  }
}

void Product::OnLastRelease() {
  _ChildByName.clear();
  std::vector<Product*> children;
  children.swap(_Children);
  for (Product* child : children) {
    child->_Parent = nullptr;  // a child held elsewhere must not point to a product about to be freed
    Unref(child);
  }
}

InterimProductFactory::InterimProductFactory(Product* product) : _Product(product) {
  Ref(_Product);
  SetObjectName(this, product->Name() + ".factory");
}

VexHRESULT InterimProductFactory::QueryInterface(const VexIID& iid, void** out) {
  Boundary("QueryInterface", this, {iid.Name});
  if (out == nullptr) return VexE_FAIL;
  *out = nullptr;
  // The factory answers for the product it was found on.
  if (iid == IID_VexIProduct) {
    Ref(_Product);
    *out = static_cast<VexIProduct*>(_Product);
    return VexS_OK;
  }
  if (iid == IID_VexIStrInterimProductFactory) {
    Ref(this);
    *out = static_cast<VexIStrInterimProductFactory*>(this);
    return VexS_OK;
  }
  return VexE_NOINTERFACE;
}

VexHRESULT InterimProductFactory::CanCreate(VexBoolean& allowed, VexUnicodeString& message) {
  Boundary("CanCreate", this);
  allowed = _Product->Factory().AllowCreate ? 1 : 0;
  if (allowed == 0) message = _Product->Factory().RefusalMessage.c_str();
  return VexS_OK;
}

VexHRESULT InterimProductFactory::GetClassSettings(VexUnicodeString& first, VexUnicodeString& second) {
  Boundary("GetClassSettings", this);
  first = _Product->Factory().FirstClassSetting.c_str();
  second = _Product->Factory().SecondClassSetting.c_str();
  return VexS_OK;
}

VexHRESULT InterimProductFactory::IsBrowserAllowed(VexBoolean& allowed) {
  Boundary("IsBrowserAllowed", this);
  allowed = _Product->Factory().BrowserAllowed ? 1 : 0;
  return VexS_OK;
}

VexHRESULT InterimProductFactory::CreateInterimProduct(VexUnicodeString& className, std::intptr_t* extra,
                                                       VexBaseUnknown** created) {
  Boundary("CreateInterimProduct", this, {Quote(className.CastToCharPtr())});
  if (created == nullptr || !_Product->Factory().AllowCreate) return VexE_FAIL;
  const std::string chosen = className.CastToCharPtr();
  const auto& catalogue = CurrentState().Document.ClassCatalogue;
  if (std::find(catalogue.begin(), catalogue.end(), chosen) == catalogue.end()) return VexE_FAIL;
  if (extra != nullptr) *extra = 0;
  if (_Product->Factory().CreateSucceedsWithoutObject) {
    *created = nullptr;
    return VexS_OK;
  }
  Product* child = nullptr;
  {
    InfrastructureScope owned;  // the document owns the new product
    // A new interim product offers the same factory as the product it was created under.
    child = MakeInternal<Product>(_Product->FreeChildName(chosen), true, std::string(), chosen, _Product->Factory());
  }
  _Product->Adopt(child);
  NoteProductCreated(*child);
  Ref(child);
  *created = child;
  return VexS_OK;
}

void InterimProductFactory::OnLastRelease() { Unref(_Product); }

}  // namespace vexhost

VexPathElement::VexPathElement(const std::vector<VexBaseUnknown*>& objects) : _Objects(objects) {
  for (VexBaseUnknown* object : _Objects) Ref(object);
}

VexPathElement::VexPathElement(const VexPathElement& other) : _Objects(other._Objects) {
  Boundary("VexPathElement(copy)");
  for (VexBaseUnknown* object : _Objects) Ref(object);
}

VexPathElement::~VexPathElement() {
  JournalOnly("~VexPathElement", nullptr);
  for (VexBaseUnknown* object : _Objects) Unref(object);
}

VexBaseUnknown* VexPathElement::SearchObject(const char* interfaceName) const {
  Boundary("SearchObject", {Quote(interfaceName != nullptr ? interfaceName : "")});
  if (interfaceName == nullptr) return nullptr;
  const VexIID wanted{interfaceName};
  InternalScope internal;
  // The deepest object of the path that implements the interface.
  for (auto object = _Objects.rbegin(); object != _Objects.rend(); ++object) {
    void* found = nullptr;
    if ((*object)->QueryInterface(wanted, &found) >= 0 && found != nullptr) {
      return static_cast<VexBaseUnknown*>(found);
    }
  }
  return nullptr;
}

VEX_DEFINE_CLASS(VexFrmEditor, VexBaseUnknown)

VexFrmEditor* VexFrmEditor::GetCurrentEditor() {
  Boundary("GetCurrentEditor");
  return HasSession() ? CurrentState().Editor : nullptr;
}

const VexPathElement& VexFrmEditor::GetActivePath() const {
  Boundary("GetActivePath", this);
  return *_ActivePath;
}

VexFrmEditor* vexhost::Inspect::NewEditor() { return new VexFrmEditor(); }

VexIProduct_var::VexIProduct_var() = default;

VexIProduct_var::~VexIProduct_var() {
  if (_Product == nullptr) return;
  JournalOnly("~VexIProduct_var", _Product);
  Unref(_Product);
}

VexIProduct_var& VexIProduct_var::operator=(VexBaseUnknown* object) {
  Boundary("VexIProduct_var=", object);
  VexIProduct* previous = _Product;
  _Product = nullptr;
  if (object != nullptr) {
    void* found = nullptr;
    if (object->QueryInterface(IID_VexIProduct, &found) >= 0) _Product = static_cast<VexIProduct*>(found);
  }
  if (previous != nullptr) Unref(previous);
  return *this;
}

int VexIProduct_var::operator!() const { return _Product == nullptr ? 1 : 0; }

VexIProduct* VexIProduct_var::operator->() const { return _Product; }
