// The stand-in's products and their interim-product factory.
#pragma once

#include <cstddef>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "vex/Products.h"
#include "vexhost/Document.h"

namespace vexhost {

class Product : public VexIProduct {
 public:
  Product(std::string name, bool isProduct, std::string partNumber, std::string interimClass, FactoryData factory);

  VexHRESULT QueryInterface(const VexIID& iid, void** out) override;
  VexUnicodeString GetPartNumber() override;
  VexHRESULT SetPartNumber(const VexUnicodeString& partNumber) override;

  const std::string& Name() const { return _Name; }
  bool IsProduct() const { return _IsProduct; }
  const std::string& PartNumber() const { return _PartNumber; }
  const std::string& InterimClass() const { return _InterimClass; }
  const FactoryData& Factory() const { return _Factory; }
  const std::vector<Product*>& Children() const { return _Children; }
  Product* Child(const std::string& name) const;
  // The product that adopted this one; null for the root.
  Product* Parent() const { return _Parent; }
  // Adopts a child; the product holds the child's first reference.
  void Adopt(Product* child);
  // A child name not yet used: "<base> 1", "<base> 2", ... Children are never removed, so the
  // smallest free number only grows and is remembered per base name.
  std::string FreeChildName(const std::string& base);

 private:
  // The last reference went: the product gives back its children's.
  static void ReleaseChildren(VexBaseUnknown& product);

  std::string _Name;
  bool _IsProduct;
  std::string _PartNumber;
  std::string _InterimClass;
  FactoryData _Factory;
  std::vector<Product*> _Children;                         // counted
  std::unordered_map<std::string, Product*> _ChildByName;  // borrowed from _Children
  std::unordered_map<std::string, int> _NextFreeNumber;    // per base name
  Product* _Parent = nullptr;                              // borrowed
};

// Handed out by a product's QueryInterface; holds a reference on its product.
class InterimProductFactory : public VexIStrInterimProductFactory {
 public:
  explicit InterimProductFactory(Product* product);

  VexHRESULT QueryInterface(const VexIID& iid, void** out) override;
  VexHRESULT CanCreate(VexBoolean& allowed, VexUnicodeString& message) override;
  VexHRESULT GetClassSettings(VexUnicodeString& first, VexUnicodeString& second) override;
  VexHRESULT IsBrowserAllowed(VexBoolean& allowed) override;
  VexHRESULT CreateInterimProduct(VexUnicodeString& className, std::intptr_t* extra, VexBaseUnknown** created) override;

 private:
  // The answer the document gives for that operation, when it makes it fail.
  std::optional<VexHRESULT> FailingStatus(const char* op) const;
  // `emptySuccess`, for an operation that may succeed without its object, writes that answer.
  template <class Outputs, class Work, class EmptySuccess = std::nullptr_t>
  VexHRESULT Operate(const char* op, std::vector<std::string> inputs, Outputs outputs, Work work,
                     EmptySuccess emptySuccess = nullptr);
  // Creates a child of that class under the product, when the factory allows it.
  VexHRESULT Create(const std::string& chosen, std::intptr_t* extra, VexBaseUnknown** created);
  static void ReleaseProduct(VexBaseUnknown& factory);

  Product* _Product;  // counted
};

}  // namespace vexhost
