#include "ProductTree.h"

#include <map>

#include "Text.h"

namespace vexdrive {

using vexhost::DocumentData;
using vexhost::ProductData;

namespace {

std::string Describe(const ProductData& product, const std::string& path, const DocumentData& document) {
  std::string line = Printable(product.Name);
  if (!product.PartNumber.empty()) line += " (" + Printable(product.PartNumber) + ")";
  if (!product.InterimClass.empty()) line += "  interim " + Printable(product.InterimClass);
  if (!product.Factory.Present) {
    line += "  no interim-product factory";
  } else if (!product.Factory.AllowCreate) {
    line += "  refuses interim products";
  }
  if (document.ActivePath && Join(*document.ActivePath, "/") == path) line += "  <- active";
  return line;
}

void DrawProduct(const ProductData& product, const std::string& path, const std::string& lead,
                 const DocumentData& document, std::string& out) {
  for (std::size_t i = 0; i < product.Children.size(); ++i) {
    const ProductData& child = product.Children[i];
    const bool last = i + 1 == product.Children.size();
    const std::string childPath = path + "/" + child.Name;
    out += lead + (last ? "`-- " : "|-- ") + Describe(child, childPath, document) + "\n";
    DrawProduct(child, childPath, lead + (last ? "    " : "|   "), document, out);
  }
}

std::string Interim(const std::string& interimClass) {
  return interimClass.empty() ? std::string() : " (interim " + Printable(interimClass) + ")";
}

// What one step did to one product.
struct ProductEffect {
  bool Created = false;
  std::string InterimClass;
  bool PartNumberSet = false;
  std::string Before;  // the part number before the step
  std::string After;
};

}  // namespace

std::string PathText(const std::vector<std::string>& names) { return Printable(Join(names, "/")); }

std::string DrawTree(const DocumentData& document) {
  std::string out = "document " + Quoted(document.Name) + ", ";
  out += document.ActivePath ? "active product " + PathText(*document.ActivePath) : "no current editor";
  out += "\n" + Describe(document.Root, document.Root.Name, document) + "\n";
  DrawProduct(document.Root, document.Root.Name, "", document, out);
  return out;
}

std::vector<std::string> DescribeChanges(const std::vector<vexhost::ProductChange>& changes) {
  using Kind = vexhost::ProductChange::Kind;
  std::vector<std::string> lines;
  std::map<std::string, ProductEffect> effects;
  for (const auto& change : changes) {
    if (change.What == Kind::DocumentOpened) {
      // What was done to the document before does not matter any more.
      effects.clear();
      lines.assign(1, "document " + Quoted(change.After) + " opened");
      continue;
    }
    if (change.What != Kind::ProductCreated && change.What != Kind::PartNumberSet) continue;
    ProductEffect& effect = effects[PathText(change.Path)];
    if (change.What == Kind::ProductCreated) {
      effect.Created = true;
      effect.InterimClass = change.InterimClass;
    } else {
      if (!effect.PartNumberSet) effect.Before = change.Before;
      effect.PartNumberSet = true;
      effect.After = change.After;
    }
  }
  for (const auto& [path, effect] : effects) {
    if (effect.Created) {
      // A new product is made without a part number: one set on it in the same step is its own.
      const bool numbered = effect.PartNumberSet && !effect.After.empty();
      lines.push_back("new product " + path + Interim(effect.InterimClass) +
                      (numbered ? ", part number " + Quoted(effect.After) : std::string()));
    } else if (effect.PartNumberSet && effect.Before != effect.After) {
      lines.push_back("part number of " + path + ": " + Quoted(effect.Before) + " -> " + Quoted(effect.After));
    }
  }
  return lines;
}

}  // namespace vexdrive
