// The product model: products, their factory, the active path, the current editor and the
// product handle.
#include "Product.h"

#include <algorithm>
#include <type_traits>

#include "ChangeNotes.h"
#include "Documents.h"
#include "gate/Gate.h"
#include "records/Meta.h"
#include "records/Objects.h"
#include "session/SessionState.h"
#include "vex/Products.h"
#include "vexhost/Document.h"

using namespace vexhost::detail;

const VexIID IID_VexIProduct{"VexIProduct"};
const VexIID IID_VexIStrInterimProductFactory{"VexIStrInterimProductFactory"};

const char* VexIProduct::ClassName() { return "VexIProduct"; }

namespace vexhost {

namespace {

std::string Pointer(const void* pointer) { return pointer == nullptr ? "null" : "set"; }

std::string Value(const char* name, const std::string& value) { return std::string(name) + "=" + value; }

// A QueryInterface through the gate: journaled with its status, refused on a dead object, and
// answering the fault plan's status when it has one; `find` gives the interface with its
// reference, or null when the object has none.
template <class Find>
VexHRESULT Query(const VexBaseUnknown* on, const VexIID& iid, void** out, Find&& find) {
  BoundaryCall call("QueryInterface", on, {iid.Name}, true);
  if (out != nullptr) *out = nullptr;
  if (call.Refused()) return VexE_FAIL;
  VexHRESULT status = VexE_FAIL;
  if (auto planned = call.PlannedStatus()) {
    status = *planned;
  } else if (out != nullptr) {
    *out = find();
    status = *out != nullptr ? VexS_OK : VexE_NOINTERFACE;
  }
  call.Return(Code(status));
  return status;
}

}  // namespace

Product::Product(std::string name, bool isProduct, std::string partNumber, std::string interimClass,
                 FactoryData factory)
    : _Name(std::move(name)),
      _IsProduct(isProduct),
      _PartNumber(std::move(partNumber)),
      _InterimClass(std::move(interimClass)),
      _Factory(std::move(factory)) {
  SetObjectName(this, _Name);
  GetImpl()->LastRelease = &Product::ReleaseChildren;
}

VexHRESULT Product::QueryInterface(const VexIID& iid, void** out) {
  return Query(this, iid, out, [&]() -> void* {
    if (_IsProduct && iid == IID_VexIProduct) {
      Ref(this);
      return static_cast<VexIProduct*>(this);
    }
    if (_IsProduct && iid == IID_VexIStrInterimProductFactory && _Factory.Present) {
      return static_cast<VexIStrInterimProductFactory*>(MakeInternal<InterimProductFactory>(this));
    }
    return nullptr;
  });
}

VexUnicodeString Product::GetPartNumber() {
  if (!Gate("GetPartNumber", this)) return VexUnicodeString();
  return VexUnicodeString(_PartNumber.c_str());
}

VexHRESULT Product::SetPartNumber(const VexUnicodeString& partNumber) {
  BoundaryCall call("SetPartNumber", this, {Quote(partNumber.CastToCharPtr())}, true);
  if (call.Refused()) return VexE_FAIL;
  CheckText("SetPartNumber", this, partNumber);
  if (auto status = call.PlannedStatus()) {
    call.Return(Code(*status));
    return *status;
  }
  NotePartNumber(*this, partNumber.CastToCharPtr());
  _PartNumber = partNumber.CastToCharPtr();
  call.Return(Code(VexS_OK));
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

void Product::ReleaseChildren(VexBaseUnknown& object) {
  auto& product = static_cast<Product&>(static_cast<VexIProduct&>(object));
  product._ChildByName.clear();
  std::vector<Product*> children;
  children.swap(product._Children);
  for (Product* child : children) {
    child->_Parent = nullptr;  // a child held elsewhere must not point to a product about to be freed
    Unref(child);
  }
}

InterimProductFactory::InterimProductFactory(Product* product) : _Product(product) {
  Ref(_Product);
  SetObjectName(this, product->Name() + ".factory");
  GetImpl()->LastRelease = &InterimProductFactory::ReleaseProduct;
}

void InterimProductFactory::ReleaseProduct(VexBaseUnknown& object) {
  auto& factory = static_cast<InterimProductFactory&>(static_cast<VexIStrInterimProductFactory&>(object));
  Unref(factory._Product);
}

std::optional<VexHRESULT> InterimProductFactory::FailingStatus(const char* op) const {
  const auto& failing = _Product->Factory().FailingStatuses;
  auto found = failing.find(op);
  if (found == failing.end()) return std::nullopt;
  return found->second;
}

VexHRESULT InterimProductFactory::QueryInterface(const VexIID& iid, void** out) {
  return Query(this, iid, out, [&]() -> void* {
    // The factory answers for the product it was found on.
    if (iid == IID_VexIProduct && _Product->Factory().AnswersForProduct) {
      Ref(_Product);
      return static_cast<VexIProduct*>(_Product);
    }
    if (iid == IID_VexIStrInterimProductFactory) {
      Ref(this);
      return static_cast<VexIStrInterimProductFactory*>(this);
    }
    return nullptr;
  });
}

// Each factory operation records its outputs as the caller preset them and as it leaves them. A
// failing status, planned or from the document, leaves them untouched; a planned success without
// an object is written by `emptySuccess`; otherwise `work` does the operation and gives its status.
template <class Outputs, class Work, class EmptySuccess>
VexHRESULT InterimProductFactory::Operate(const char* op, std::vector<std::string> inputs, Outputs outputs, Work work,
                                          EmptySuccess emptySuccess) {
  for (auto& output : outputs()) inputs.push_back(std::move(output));
  BoundaryCall call(op, this, std::move(inputs), true);
  if (call.Refused()) return VexE_FAIL;
  auto answer = call.PlannedStatus();
  if (!answer) answer = FailingStatus(op);
  VexHRESULT status = answer ? *answer : work();
  if constexpr (!std::is_same_v<EmptySuccess, std::nullptr_t>) {
    // The fault plan takes a status of 0 only for an operation that may succeed without its object.
    if (answer && *answer >= 0) status = emptySuccess();
  }
  call.Return(Code(status), outputs());
  return status;
}

VexHRESULT InterimProductFactory::CanCreate(VexBoolean& allowed, VexUnicodeString& message) {
  auto outputs = [&] {
    return std::vector<std::string>{Value("allowed", Flag(allowed)), Value("message", Quote(message.CastToCharPtr()))};
  };
  return Operate("CanCreate", {}, outputs, [&] {
    allowed = _Product->Factory().AllowCreate ? 1 : 0;
    if (allowed == 0) message = _Product->Factory().RefusalMessage.c_str();
    return VexS_OK;
  });
}

VexHRESULT InterimProductFactory::GetClassSettings(VexUnicodeString& first, VexUnicodeString& second) {
  auto outputs = [&] {
    return std::vector<std::string>{Value("first", Quote(first.CastToCharPtr())),
                                    Value("second", Quote(second.CastToCharPtr()))};
  };
  return Operate("GetClassSettings", {}, outputs, [&] {
    first = _Product->Factory().FirstClassSetting.c_str();
    second = _Product->Factory().SecondClassSetting.c_str();
    return VexS_OK;
  });
}

VexHRESULT InterimProductFactory::IsBrowserAllowed(VexBoolean& allowed) {
  auto outputs = [&] { return std::vector<std::string>{Value("allowed", Flag(allowed))}; };
  return Operate("IsBrowserAllowed", {}, outputs, [&] {
    allowed = _Product->Factory().BrowserAllowed ? 1 : 0;
    return VexS_OK;
  });
}

VexHRESULT InterimProductFactory::CreateInterimProduct(VexUnicodeString& className, std::intptr_t* extra,
                                                       VexBaseUnknown** created) {
  auto outputs = [&] {
    return std::vector<std::string>{Value("extra", extra != nullptr ? Code(*extra) : "(no place)"),
                                    Value("created", created != nullptr ? Pointer(*created) : "(no place)")};
  };
  auto withoutObject = [&] {
    CheckText("CreateInterimProduct", this, className);
    if (extra != nullptr) *extra = 0;
    if (created != nullptr) *created = nullptr;
    return VexS_OK;
  };
  return Operate(
      "CreateInterimProduct", {Quote(className.CastToCharPtr())}, outputs,
      [&] {
        CheckText("CreateInterimProduct", this, className);
        return Create(className.CastToCharPtr(), extra, created);
      },
      withoutObject);
}

VexHRESULT InterimProductFactory::Create(const std::string& chosen, std::intptr_t* extra, VexBaseUnknown** created) {
  const FactoryData& factory = _Product->Factory();
  if (created == nullptr || !factory.AllowCreate) return VexE_FAIL;
  // A factory creates the classes of its family, the one its frame offers.
  const auto classes = FamilyClasses(ProductsOf(CurrentState()).Document, factory.SecondClassSetting);
  if (std::find(classes.begin(), classes.end(), chosen) == classes.end()) return VexE_FAIL;
  if (extra != nullptr) *extra = 0;
  if (factory.CreateSucceedsWithoutObject) {
    *created = nullptr;
    return VexS_OK;
  }
  Product* child = nullptr;
  {
    InfrastructureScope owned;  // the document owns the new product
    // A new interim product offers the same factory as the product it was created under.
    child = MakeInternal<Product>(_Product->FreeChildName(chosen), true, std::string(), chosen, factory);
  }
  _Product->Adopt(child);
  NoteProductCreated(*child);
  Ref(child);
  *created = child;
  return VexS_OK;
}

}  // namespace vexhost

VexPathElement::VexPathElement(VexPathImpl* impl) : _Impl(impl) {
  for (VexBaseUnknown* object : _Impl->Objects) Ref(object);
}

// The copy is journaled (and may fail) before it holds anything.
VexPathElement::VexPathElement(const VexPathElement& other)
    : _Impl((Gate("VexPathElement(copy)"), new VexPathImpl(*other._Impl))) {
  for (VexBaseUnknown* object : _Impl->Objects) Ref(object);
}

VexPathElement::~VexPathElement() {
  JournalOnly("~VexPathElement", nullptr);
  for (VexBaseUnknown* object : _Impl->Objects) Unref(object);
  delete _Impl;
}

VexBaseUnknown* VexPathElement::SearchObject(const char* interfaceName) const {
  Gate("SearchObject", {Quote(interfaceName != nullptr ? interfaceName : "")});
  if (interfaceName == nullptr) return nullptr;
  const VexIID wanted{interfaceName};
  InternalScope internal;
  // The deepest object of the path that implements the interface.
  for (auto object = _Impl->Objects.rbegin(); object != _Impl->Objects.rend(); ++object) {
    void* found = nullptr;
    if ((*object)->QueryInterface(wanted, &found) >= 0 && found != nullptr) {
      return static_cast<VexBaseUnknown*>(found);
    }
  }
  return nullptr;
}

VEX_DEFINE_CLASS(VexFrmEditor, VexBaseUnknown)

VexFrmEditor* VexFrmEditor::GetCurrentEditor() {
  if (!Gate("GetCurrentEditor")) return nullptr;
  return HasSession() ? ProductsOf(CurrentState()).Editor : nullptr;
}

const VexPathElement& VexFrmEditor::GetActivePath() const {
  Gate("GetActivePath", this);
  return *static_cast<const Editor*>(this)->ActivePath;
}

VexIProduct_var::VexIProduct_var() = default;

VexIProduct_var::~VexIProduct_var() {
  if (_Product == nullptr) return;
  JournalOnly("~VexIProduct_var", _Product);
  Unref(_Product);
}

VexIProduct_var& VexIProduct_var::operator=(VexBaseUnknown* object) {
  const bool bindable = Gate("VexIProduct_var=", object);
  VexIProduct* previous = _Product;
  _Product = nullptr;
  if (object != nullptr && bindable) {
    void* found = nullptr;
    if (object->QueryInterface(IID_VexIProduct, &found) >= 0) _Product = static_cast<VexIProduct*>(found);
  }
  if (previous != nullptr) Unref(previous);
  return *this;
}

int VexIProduct_var::operator!() const { return _Product == nullptr ? 1 : 0; }

VexIProduct* VexIProduct_var::operator->() const { return _Product; }
