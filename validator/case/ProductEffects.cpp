#include "ProductEffects.h"

#include <map>

#include "drive/Text.h"

namespace vexvalidator {

namespace {

using vexdrive::Printable;
using vexdrive::Quoted;

std::string PathOf(const std::vector<std::string>& names) { return Printable(vexdrive::Join(names, "/")); }

std::string ActiveText(const std::optional<std::vector<std::string>>& active) {
  return active ? PathOf(*active) : std::string("(no editor)");
}

struct Effect {
  bool Created = false;
  bool Renumbered = false;
  std::string Before;  // the part number before the first change
};

}  // namespace

std::vector<std::string> ProductEffects(vexhost::Session& session, const std::vector<vexhost::ProductChange>& changes,
                                        const std::optional<std::vector<std::string>>& openedActive) {
  using Kind = vexhost::ProductChange::Kind;
  std::map<std::vector<std::string>, Effect> effects;
  for (const auto& change : changes) {
    if (change.What == Kind::ProductCreated) effects[change.Path].Created = true;
    if (change.What != Kind::PartNumberSet) continue;
    Effect& effect = effects[change.Path];
    if (!effect.Renumbered) effect.Before = change.Before;
    effect.Renumbered = true;
  }
  std::vector<std::string> lines;
  for (const auto& [names, effect] : effects) {
    const auto product = vexhost::SeeProduct(session, names);
    if (!product) continue;
    const std::string& partNumber = product->Product.PartNumber;
    if (effect.Created) {
      std::string line = "new " + PathOf(names) + ": ";
      if (!product->Product.InterimClass.empty()) line += "class " + Quoted(product->Product.InterimClass) + ", ";
      lines.push_back(line + "part number " + Quoted(partNumber));
    } else if (effect.Before != partNumber) {
      lines.push_back("part number of " + PathOf(names) + ": " + Quoted(effect.Before) + " -> " + Quoted(partNumber));
    }
  }
  const std::optional<std::vector<std::string>> active = vexhost::ActiveNames(session);
  if (active != openedActive) lines.push_back("active: " + ActiveText(openedActive) + " -> " + ActiveText(active));
  if (lines.empty()) return {"products: as opened"};
  for (auto& line : lines) line = "products: " + line;
  return lines;
}

}  // namespace vexvalidator
