// The product model the module reads and writes: the current editor, its active path, products
// and their interim-product factory.
#pragma once

#include "vex/Base.h"
#include "vex/Strings.h"

extern const VexIID IID_VexIProduct;
extern const VexIID IID_VexIStrInterimProductFactory;

// The host's own record of a path.
class VexPathImpl;

// A path from the root object of a document to its active object. Holds a reference on each
// object of the path.
class VexPathElement {
 public:
  // Made by the host from its own record of the path, which the element then owns.
  explicit VexPathElement(VexPathImpl* impl);
  VexPathElement(const VexPathElement& other);
  VexPathElement& operator=(const VexPathElement&) = delete;
  ~VexPathElement();

  // The object of the path nearest to its end (the deepest) that implements the named interface,
  // with one reference for the caller; null when none does.
  VexBaseUnknown* SearchObject(const char* interfaceName) const;

  VexPathImpl* GetImpl() const { return _Impl; }

 private:
  VexPathImpl* _Impl;  // owned
};

class VexFrmEditor : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 public:
  // The editor of the current document, or null.
  static VexFrmEditor* GetCurrentEditor();
  // The path to the active object; the caller copies it.
  const VexPathElement& GetActivePath() const;

 protected:
  VexFrmEditor() = default;  // the host makes editors
};

class VexIProduct : public VexBaseUnknown {
 public:
  // The interface name given to SearchObject.
  static const char* ClassName();
  virtual VexUnicodeString GetPartNumber() = 0;
  virtual VexHRESULT SetPartNumber(const VexUnicodeString& partNumber) = 0;
};

// A handle on an object's VexIProduct interface, holding a reference of its own.
class VexIProduct_var {
 public:
  VexIProduct_var();
  VexIProduct_var(const VexIProduct_var&) = delete;
  VexIProduct_var& operator=(const VexIProduct_var&) = delete;
  ~VexIProduct_var();

  // Binds the handle to the object's VexIProduct, or leaves it empty.
  VexIProduct_var& operator=(VexBaseUnknown* object);
  int operator!() const;
  VexIProduct* operator->() const;

 private:
  VexIProduct* _Product = nullptr;  // counted
};

class VexIStrInterimProductFactory : public VexBaseUnknown {
 public:
  virtual VexHRESULT CanCreate(VexBoolean& allowed, VexUnicodeString& message) = 0;
  virtual VexHRESULT GetClassSettings(VexUnicodeString& first, VexUnicodeString& second) = 0;
  virtual VexHRESULT IsBrowserAllowed(VexBoolean& allowed) = 0;
  // `created` receives the new object with one reference for the caller.
  virtual VexHRESULT CreateInterimProduct(VexUnicodeString& className, std::intptr_t* extra,
                                          VexBaseUnknown** created) = 0;
};
