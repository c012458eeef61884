// Documents read from JSON: what is accepted, and that every problem names the file, the place
// and what is wrong, with nothing half-read.
#include <cstdio>
#include <fstream>

#include "TestSupport.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string Ship = R"({
  "name": "Ship",
  "classes": ["Block", "SubBlock"],
  "active": "Hull/Block A",
  "root": {
    "name": "Hull", "partNumber": "H-100",
    "factory": {"firstClass": "Block", "secondClass": "InterimProduct"},
    "children": [
      {"name": "Block A", "partNumber": "BA-200"},
      {"name": "Block B", "factory": {"allowCreate": false, "refusal": "released", "browser": false}},
      {"name": "Deck", "factory": null, "product": false}
    ]
  }
})";

std::string ProblemWith(const std::string& text) {
  try {
    vexhost::ParseDocument(text, "ship.json");
  } catch (const vexhost::DocumentError& error) {
    return error.what();
  }
  return "(accepted)";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

using Documents = HostTest;

}  // namespace

TEST_F(Documents, AWellFormedDocumentIsReadWhole) {
  const vexhost::DocumentData document = vexhost::ParseDocument(Ship, "ship.json");
  EXPECT_EQ(document.Name, "Ship");
  EXPECT_THAT(document.ClassCatalogue, ElementsAre("Block", "SubBlock"));
  EXPECT_THAT(*document.ActivePath, ElementsAre("Hull", "Block A"));
  ASSERT_EQ(document.Root.Children.size(), 3U);
  EXPECT_EQ(document.Root.Factory.SecondClassSetting, "InterimProduct");
  EXPECT_FALSE(document.Root.Children[1].Factory.AllowCreate);
  EXPECT_FALSE(document.Root.Children[1].Factory.BrowserAllowed);
  EXPECT_FALSE(document.Root.Children[2].Factory.Present);
  EXPECT_FALSE(document.Root.Children[2].IsProduct);
  Host().OpenDocument(document);
  EXPECT_EQ(ProductAt("Hull/Block A").PartNumber, "BA-200");
}

TEST_F(Documents, EveryProblemNamesTheFileThePlaceAndWhatIsWrong) {
  EXPECT_THAT(ProblemWith("{\"root\": "), HasSubstr("ship.json: at byte"));
  EXPECT_THAT(ProblemWith("[1]"), HasSubstr("ship.json: /: expected an object"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"classes\": [\"Block\", \"SubBlock\"],", "")),
              HasSubstr("ship.json: /: missing key \"classes\""));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"BA-200\"", "200")),
              HasSubstr("ship.json: /root/children/0/partNumber: expected a string"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"allowCreate\": false", "\"allowCreate\": \"no\"")),
              HasSubstr("/root/children/1/factory/allowCreate: expected true or false"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "Hull/Block A", "Hull/Block C")),
              HasSubstr("/active: no product at \"Hull/Block C\": 'Hull' has no child 'Block C'"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"Block B\"", "\"Block A\"")),
              HasSubstr("/root/children/1/name: another child of 'Hull' is already named 'Block A'"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"Deck\"", "\"Deck/1\"")), HasSubstr("a name must not contain '/'"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"Deck\"", "\"\"")), HasSubstr("a name must not be empty"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"H-100\"", "\"H\\u0000100\"")),
              HasSubstr("/root/partNumber: a text must not contain a NUL character"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"H-100\"", "\"H\xC3\x28\"")), HasSubstr("ship.json: at byte"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"partNumber\": \"H-100\"", "\"partnumber\": \"H-100\"")),
              HasSubstr("/root/partnumber: unknown key"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "[\"Block\", \"SubBlock\"]", "[\"Block\", 3]")),
              HasSubstr("/classes/1: expected a string"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "[\"Block\", \"SubBlock\"]", "[]")),
              HasSubstr("/classes: the class catalogue must name at least one class"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "[\"Block\", \"SubBlock\"]", "[\"Block\", \"Block\"]")),
              HasSubstr("/classes/1: the class 'Block' is already in the catalogue"));
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"BA-200\"", "\"" + std::string(1000000, 'x') + "\"")),
              HasSubstr("/root/children/0/partNumber: a text must be at most 4096 characters long, not 1000000"));
  EXPECT_THAT(ProblemWith(Ship.substr(0, Ship.size() / 2)), HasSubstr("ship.json: at byte"));
}

TEST_F(Documents, AFileThatCannotBeReadIsNamed) {
  EXPECT_THROW(
      {
        try {
          vexhost::ReadDocumentFile("/nonexistent/ship.json");
        } catch (const vexhost::DocumentError& error) {
          EXPECT_STREQ(error.what(), "/nonexistent/ship.json: cannot be read");
          throw;
        }
      },
      vexhost::DocumentError);
}

TEST_F(Documents, ABadActivePathChangesNothing) {
  Host().OpenDocument(ShipDocument());
  EXPECT_THROW(Host().SetActivePath({"Hull", "Block Z"}), std::invalid_argument);
  EXPECT_THAT(*Host().DocumentView().ActivePath, ElementsAre("Hull", "Block A"));
  vexhost::DocumentData broken = ShipDocument();
  broken.Root.Name = "Keel";
  EXPECT_THROW(Host().OpenDocument(broken), std::invalid_argument);
  EXPECT_EQ(Host().DocumentView().Root.Name, "Hull") << "the open document is kept";
}

// A class names the products made of it, and every product is addressed by a path of names.
TEST_F(Documents, NoClassOrProductNameHoldsASlash) {
  EXPECT_THAT(ProblemWith(Replace(Ship, "\"SubBlock\"", "\"Deck/Frame\"")),
              HasSubstr("ship.json: /classes/1: a class name must not contain '/'"));
  EXPECT_THAT(
      ProblemWith(Replace(Ship, "[\"Block\", \"SubBlock\"]", "{\"InterimProduct\": [\"Block\", \"Deck/Frame\"]}")),
      HasSubstr("ship.json: /classes/InterimProduct/1: a class name must not contain '/'"));
  Host().OpenDocument(ShipDocument());
  vexhost::DocumentData slashed = ShipDocument();
  slashed.ClassCatalogue.push_back("Deck/Frame");
  EXPECT_THROW(Host().OpenDocument(slashed), std::invalid_argument);
  slashed = ShipDocument();
  slashed.ClassFamilies.push_back({"Outfitting", {"Pipe/Valve"}});
  EXPECT_THROW(Host().OpenDocument(slashed), std::invalid_argument);
  slashed = ShipDocument();
  slashed.Root.Children.front().Name = "Block/A";
  EXPECT_THROW(Host().OpenDocument(slashed), std::invalid_argument);
  EXPECT_EQ(Host().DocumentView().Root.Children.front().Name, ShipDocument().Root.Children.front().Name)
      << "the open document is kept";
}
