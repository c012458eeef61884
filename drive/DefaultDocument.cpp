#include "DefaultDocument.h"

namespace vexdrive {

// A hull with two blocks and their sub-blocks. Block A is active and takes interim products;
// Block B is released and refuses them. Interim products are made from the family
// "InterimProduct"; the outfitting classes are another family.
const std::string& DefaultDocumentJson() {
  static const std::string json = R"({
  "name": "Ship",
  "classes": {
    "InterimProduct": ["Block", "SubBlock", "Panel", "Assembly"],
    "Outfitting": ["Pipe", "Bracket"]
  },
  "active": "Hull/Block A",
  "root": {
    "name": "Hull", "partNumber": "H-100",
    "factory": { "firstClass": "Block", "secondClass": "InterimProduct" },
    "children": [
      { "name": "Block A", "partNumber": "BA-200",
        "factory": { "firstClass": "SubBlock", "secondClass": "InterimProduct" },
        "children": [
          { "name": "SubBlock A1", "partNumber": "SA-210",
            "factory": { "firstClass": "Panel", "secondClass": "InterimProduct" } },
          { "name": "SubBlock A2", "partNumber": "SA-220",
            "factory": { "firstClass": "Panel", "secondClass": "InterimProduct" } }
        ] },
      { "name": "Block B", "partNumber": "BB-300",
        "factory": { "allowCreate": false, "firstClass": "SubBlock", "secondClass": "InterimProduct",
                     "refusal": "Block B is released for production: no interim product can be added to it" },
        "children": [
          { "name": "SubBlock B1", "partNumber": "SB-310",
            "factory": { "firstClass": "Panel", "secondClass": "InterimProduct" } }
        ] }
    ]
  }
}
)";
  return json;
}

vexhost::DocumentData DefaultDocument() { return vexhost::ParseDocument(DefaultDocumentJson(), "embedded document"); }

}  // namespace vexdrive
