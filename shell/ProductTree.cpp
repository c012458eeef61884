#include "ProductTree.h"

#include <map>

#include "Text.h"

namespace vexshell {

using vexhost::DocumentData;
using vexhost::ProductData;

namespace {

std::string Describe(const ProductData& product, const std::string& path, const DocumentData& document) {
  std::string line = product.Name;
  if (!product.PartNumber.empty()) line += " (" + product.PartNumber + ")";
  if (!product.InterimClass.empty()) line += "  interim " + product.InterimClass;
  if (!product.Factory.Present) {
    line += "  no interim-product factory";
  } else if (!product.Factory.AllowCreate) {
    line += "  refuses interim products";
  }
  if (document.ActivePath && PathText(*document.ActivePath) == path) line += "  <- active";
  return line;
}

void DrawProduct(const ProductData& product, const std::string& path, const std::string& lead, const DocumentData& document,
                 std::string& out) {
  for (std::size_t i = 0; i < product.Children.size(); ++i) {
    const ProductData& child = product.Children[i];
    const bool last = i + 1 == product.Children.size();
    const std::string childPath = path + "/" + child.Name;
    out += lead + (last ? "`-- " : "|-- ") + Describe(child, childPath, document) + "\n";
    DrawProduct(child, childPath, lead + (last ? "    " : "|   "), document, out);
  }
}

void Flatten(const ProductData& product, const std::string& path, std::map<std::string, const ProductData*>& out) {
  out[path] = &product;
  for (const auto& child : product.Children) Flatten(child, path + "/" + child.Name, out);
}

std::map<std::string, const ProductData*> Flatten(const DocumentData& document) {
  std::map<std::string, const ProductData*> products;
  Flatten(document.Root, document.Root.Name, products);
  return products;
}

std::string Interim(const ProductData& product) {
  return product.InterimClass.empty() ? std::string() : " (interim " + product.InterimClass + ")";
}

}  // namespace

std::string PathText(const std::vector<std::string>& names) { return Join(names, "/"); }

const ProductData* FindProduct(const DocumentData& document, const std::string& path) {
  const std::vector<std::string> names = vexhost::SplitPath(path);
  if (names.empty() || names.front() != document.Root.Name) return nullptr;
  const ProductData* current = &document.Root;
  for (std::size_t i = 1; i < names.size() && current != nullptr; ++i) {
    const ProductData* next = nullptr;
    for (const auto& child : current->Children) {
      if (child.Name == names[i]) next = &child;
    }
    current = next;
  }
  return current;
}

std::string DrawTree(const DocumentData& document) {
  std::string out = "document \"" + document.Name + "\", ";
  out += document.ActivePath ? "active product " + PathText(*document.ActivePath) : "no current editor";
  out += "\n" + Describe(document.Root, document.Root.Name, document) + "\n";
  DrawProduct(document.Root, document.Root.Name, "", document, out);
  return out;
}

std::vector<std::string> TreeChanges(const DocumentData& before, const DocumentData& after) {
  const auto old = Flatten(before);
  const auto now = Flatten(after);
  std::vector<std::string> changes;
  for (const auto& [path, product] : now) {
    auto earlier = old.find(path);
    if (earlier == old.end()) {
      changes.push_back("new product " + path + Interim(*product));
    } else if (earlier->second->PartNumber != product->PartNumber) {
      changes.push_back("part number of " + path + ": \"" + earlier->second->PartNumber + "\" -> \"" +
                        product->PartNumber + "\"");
    }
  }
  for (const auto& [path, product] : old) {
    if (now.find(path) == now.end()) changes.push_back("product gone: " + path + Interim(*product));
  }
  return changes;
}

}  // namespace vexshell
