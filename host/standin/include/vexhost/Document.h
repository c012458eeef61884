// Documents of the product model, as plain data: built in code by tests or read from JSON, then
// opened in a session, which turns them into host products.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexhost {

// How a product's interim-product factory answers.
struct FactoryData {
  bool Present = true;  // whether the product offers the factory at all
  bool AllowCreate = true;
  std::string RefusalMessage;      // shown when creation is refused
  std::string FirstClassSetting;   // the default class of a new interim product
  std::string SecondClassSetting;  // the family of classes the class browser offers
  bool BrowserAllowed = true;
  bool CreateSucceedsWithoutObject = false;  // creation reports success but returns no object
  // Operations of the factory that answer a negative status (and write no output) instead of
  // working: "CanCreate", "GetClassSettings", "IsBrowserAllowed", "CreateInterimProduct".
  std::map<std::string, int> FailingStatuses;
  bool AnswersForProduct = true;  // whether the factory answers QueryInterface for VexIProduct
};

// Products nest at most this deep, the root counting as 1: documents and active paths deeper than
// that are refused, so that nothing that walks a tree needs more room than this.
inline constexpr std::size_t MaxProductDepth = 256;

struct ProductData {
  std::string Name;
  // Whether the object answers as a product; an object of the tree that is not one (a document
  // node, say) still appears on active paths.
  bool IsProduct = true;
  std::string PartNumber;
  std::string InterimClass;  // non-empty for an interim product
  FactoryData Factory;
  std::vector<ProductData> Children;
};

// A family of classes: what an object-class frame built with the family's name offers.
struct ClassFamily {
  std::string Name;
  std::vector<std::string> Classes;
};

struct DocumentData {
  std::string Name = "Document";
  ProductData Root;
  // Every class that may be created, and the families that hold them. Without families the whole
  // catalogue is one family that answers to any name.
  std::vector<std::string> ClassCatalogue;
  std::vector<ClassFamily> ClassFamilies;
  // Names from the root to the active product, root included; nullopt: no current editor.
  std::optional<std::vector<std::string>> ActivePath;
};

class DocumentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The classes of the family with that name: the whole catalogue when the document has no
// families, nothing when it has none of that name.
std::vector<std::string> FamilyClasses(const DocumentData& document, const std::string& family);

// Reads a document from JSON text; `source` names the file in messages. Throws DocumentError
// naming the source, the place and the problem; nothing is returned half-read.
DocumentData ParseDocument(const std::string& jsonText, const std::string& source);
DocumentData ReadDocumentFile(const std::string& path);
// The first control character (C0, DEL or C1; the tab too unless allowed) of UTF-8 text, as
// "U+001B at character 4"; empty when there is none. Such characters do harm on a terminal and in
// XML, so the texts of a document hold none.
std::string FirstControlCharacter(std::string_view utf8, bool tabAllowed = false);
// Splits "Hull/Block A/SB1" into names. Throws std::invalid_argument, saying what is wrong,
// for a path that is empty or has an empty name: "", "/Hull", "Hull/", "Hull//Block A".
std::vector<std::string> SplitPath(const std::string& path);

}  // namespace vexhost
