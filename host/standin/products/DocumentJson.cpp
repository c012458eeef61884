// Documents read from JSON. The format is documented in docs/stand-in-host.md; every problem is reported
// with the file, the place (a JSON pointer, or the byte offset of a syntax error) and what is wrong.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "vexhost/Document.h"

namespace vexhost {

namespace {

using nlohmann::json;

// Names, part numbers, messages and classes are short texts; a longer one is a broken document.
constexpr std::size_t MaxTextCharacters = 4096;
// A product at depth d is a JSON object at nesting level 2d (the document, then the root, then a
// children array and a child for each level below); its factory or children array one level deeper.
constexpr std::size_t MaxNesting = 2 * MaxProductDepth + 1;

std::string PointerToken(const std::string& key) {
  std::string token;
  for (char c : key) {
    if (c == '~') {
      token += "~0";
    } else if (c == '/') {
      token += "~1";
    } else {
      token += c;
    }
  }
  return token;
}

// Checks the shape of JSON text before it is read into a tree, without recursion and with memory
// in proportion to the text: nesting no deeper than MaxNesting, no key twice in one object (the
// tree would keep the last and drop the others without a word), and the syntax.
class ShapeCheck : public nlohmann::json_sax<json> {
 public:
  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(number_integer_t) override { return Value(); }
  bool number_unsigned(number_unsigned_t) override { return Value(); }
  bool number_float(number_float_t, const string_t&) override { return Value(); }
  bool string(string_t&) override { return Value(); }
  bool binary(binary_t&) override { return Value(); }
  bool start_object(std::size_t) override { return Open(true); }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(false); }
  bool end_array() override { return Close(); }

  bool key(string_t& key) override {
    Level& level = _Levels.back();
    level.Key = key;
    if (!level.Keys.insert(key).second) return Fail(Place(), "the key \"" + key + "\" appears twice in one object");
    return true;
  }

  bool parse_error(std::size_t byte, const std::string&, const nlohmann::detail::exception& error) override {
    _Problem = "at byte " + std::to_string(byte) + ": " + error.what();
    return false;
  }

  // What is wrong, after the check failed: "PLACE: PROBLEM" or "at byte N: PROBLEM".
  const std::string& Problem() const { return _Problem; }

 private:
  struct Level {
    bool IsObject = false;
    std::size_t Index = 0;  // of the element under way in an array
    std::string Key;        // of the member under way in an object
    std::unordered_set<std::string> Keys;
  };

  bool Value() {
    if (!_Levels.empty() && !_Levels.back().IsObject) ++_Levels.back().Index;
    return true;
  }

  bool Open(bool isObject) {
    if (_Levels.size() == MaxNesting) {
      return Fail(Place(), "the document nests deeper than " + std::to_string(MaxNesting) +
                               " levels: products nest at most " + std::to_string(MaxProductDepth) + " deep");
    }
    _Levels.push_back({isObject, 0, {}, {}});
    return true;
  }

  bool Close() {
    _Levels.pop_back();
    return Value();
  }

  // The JSON pointer of the value under way; a very deep one keeps its start and its end.
  std::string Place() const {
    constexpr std::size_t shownAtEachEnd = 6;
    std::string place;
    for (std::size_t i = 0; i < _Levels.size(); ++i) {
      if (_Levels.size() > 2 * shownAtEachEnd && i == shownAtEachEnd) {
        place += "/...(" + std::to_string(_Levels.size() - 2 * shownAtEachEnd) + " levels)...";
        i = _Levels.size() - shownAtEachEnd - 1;
        continue;
      }
      const Level& level = _Levels[i];
      place += "/" + (level.IsObject ? PointerToken(level.Key) : std::to_string(level.Index));
    }
    return place.empty() ? "/" : place;
  }

  bool Fail(const std::string& place, const std::string& problem) {
    _Problem = place + ": " + problem;
    return false;
  }

  std::vector<Level> _Levels;
  std::string _Problem;
};

class Reader {
 public:
  explicit Reader(std::string source) : _Source(std::move(source)) {}

  [[noreturn]] void Fail(const std::string& place, const std::string& problem) const {
    throw DocumentError(_Source + ": " + (place.empty() ? "/" : place) + ": " + problem);
  }

  void OnlyKeys(const json& object, const std::string& place, std::initializer_list<const char*> keys) const {
    for (const auto& [key, value] : object.items()) {
      bool known = false;
      for (const char* allowed : keys) known = known || key == allowed;
      if (!known) Fail(place + "/" + key, "unknown key");
    }
  }

  const json& Object(const json& value, const std::string& place) const {
    if (!value.is_object()) Fail(place, "expected an object");
    return value;
  }

  std::string Text(const json& value, const std::string& place) const {
    if (!value.is_string()) Fail(place, "expected a string");
    std::string text = value.get<std::string>();
    if (text.find('\0') != std::string::npos) Fail(place, "a text must not contain a NUL character");
    if (const std::string control = FirstControlCharacter(text); !control.empty()) {
      Fail(place, "a text must not contain control characters (found " + control + ")");
    }
    const std::size_t characters = Characters(text);
    if (characters > MaxTextCharacters) {
      Fail(place, "a text must be at most " + std::to_string(MaxTextCharacters) + " characters long, not " +
                      std::to_string(characters));
    }
    return text;
  }

  static std::size_t Characters(const std::string& utf8) {
    std::size_t characters = 0;
    for (unsigned char byte : utf8) characters += (byte & 0xC0) != 0x80 ? 1 : 0;
    return characters;
  }

  std::string OptionalText(const json& object, const char* key, const std::string& place,
                           std::string fallback = {}) const {
    auto found = object.find(key);
    return found == object.end() ? std::move(fallback) : Text(*found, place + "/" + key);
  }

  bool OptionalFlag(const json& object, const char* key, const std::string& place, bool fallback) const {
    auto found = object.find(key);
    if (found == object.end()) return fallback;
    if (!found->is_boolean()) Fail(place + "/" + key, "expected true or false");
    return found->get<bool>();
  }

  std::string Name(const json& object, const std::string& place) const {
    auto found = object.find("name");
    if (found == object.end()) Fail(place, "missing key \"name\"");
    std::string name = Text(*found, place + "/name");
    if (name.empty()) Fail(place + "/name", "a name must not be empty");
    if (name.find('/') != std::string::npos) Fail(place + "/name", "a name must not contain '/'");
    return name;
  }

  FactoryData Factory(const json& product, const std::string& place) const {
    FactoryData factory;
    auto found = product.find("factory");
    if (found == product.end()) return factory;
    if (found->is_null()) {
      factory.Present = false;
      return factory;
    }
    const std::string here = place + "/factory";
    const json& data = Object(*found, here);
    OnlyKeys(data, here,
             {"allowCreate", "refusal", "firstClass", "secondClass", "browser", "createWithoutObject", "failing",
              "answersForProduct"});
    factory.AllowCreate = OptionalFlag(data, "allowCreate", here, true);
    factory.RefusalMessage = OptionalText(data, "refusal", here);
    factory.FirstClassSetting = OptionalText(data, "firstClass", here);
    factory.SecondClassSetting = OptionalText(data, "secondClass", here);
    factory.BrowserAllowed = OptionalFlag(data, "browser", here, true);
    factory.CreateSucceedsWithoutObject = OptionalFlag(data, "createWithoutObject", here, false);
    factory.AnswersForProduct = OptionalFlag(data, "answersForProduct", here, true);
    factory.FailingStatuses = FailingStatuses(data, here);
    return factory;
  }

  // "failing": {"CanCreate": -1, ...}: operations of the factory that answer a negative status.
  std::map<std::string, int> FailingStatuses(const json& factory, const std::string& place) const {
    std::map<std::string, int> statuses;
    auto found = factory.find("failing");
    if (found == factory.end()) return statuses;
    const std::string here = place + "/failing";
    OnlyKeys(Object(*found, here), here, {"CanCreate", "GetClassSettings", "IsBrowserAllowed", "CreateInterimProduct"});
    for (const auto& [operation, status] : found->items()) {
      if (!status.is_number_integer() || status.get<long long>() >= 0 ||
          status.get<long long>() < std::numeric_limits<std::int32_t>::min()) {
        Fail(here + "/" + operation, "expected a negative status");
      }
      statuses[operation] = status.get<int>();
    }
    return statuses;
  }

  ProductData Product(const json& value, const std::string& place) const {
    const json& object = Object(value, place);
    OnlyKeys(object, place, {"name", "product", "partNumber", "interimClass", "factory", "children"});
    ProductData product;
    product.Name = Name(object, place);
    product.IsProduct = OptionalFlag(object, "product", place, true);
    product.PartNumber = OptionalText(object, "partNumber", place);
    product.InterimClass = OptionalText(object, "interimClass", place);
    product.Factory = Factory(object, place);
    auto children = object.find("children");
    if (children == object.end()) return product;
    if (!children->is_array()) Fail(place + "/children", "expected an array of products");
    std::set<std::string> names;
    for (std::size_t i = 0; i < children->size(); ++i) {
      const std::string here = place + "/children/" + std::to_string(i);
      product.Children.push_back(Product((*children)[i], here));
      if (!names.insert(product.Children.back().Name).second) {
        Fail(here + "/name",
             "another child of '" + product.Name + "' is already named '" + product.Children.back().Name + "'");
      }
    }
    return product;
  }

  DocumentData Document(const json& value) const {
    const json& object = Object(value, "");
    OnlyKeys(object, "", {"name", "classes", "active", "root"});
    DocumentData document;
    document.Name = OptionalText(object, "name", "", "Document");
    auto root = object.find("root");
    if (root == object.end()) Fail("", "missing key \"root\"");
    document.Root = Product(*root, "/root");
    auto classes = object.find("classes");
    if (classes == object.end()) Fail("", "missing key \"classes\"");
    if (classes->is_object()) {
      Families(*classes, document);
    } else {
      document.ClassCatalogue = ClassList(*classes, "/classes");
    }
    auto active = object.find("active");
    if (active != object.end() && !active->is_null()) {
      const std::string path = Text(*active, "/active");
      try {
        document.ActivePath = SplitPath(path);
      } catch (const std::invalid_argument& malformed) {
        Fail("/active", "the path \"" + path + "\" " + malformed.what());
      }
      CheckPath(document.Root, *document.ActivePath, path);
    }
    return document;
  }

  // A list of distinct, non-empty class names.
  std::vector<std::string> ClassList(const json& value, const std::string& place) const {
    if (!value.is_array()) Fail(place, "expected an array of class names, or an object of families");
    const bool catalogue = place == "/classes";
    if (value.empty())
      Fail(place,
           catalogue ? "the class catalogue must name at least one class" : "a family must name at least one class");
    std::vector<std::string> names;
    for (std::size_t i = 0; i < value.size(); ++i) {
      const std::string here = place + "/" + std::to_string(i);
      std::string name = Text(value[i], here);
      if (name.empty()) Fail(here, "a class name must not be empty");
      // A class names the interim products made of it, and a product's name is a step of a path.
      if (name.find('/') != std::string::npos) Fail(here, "a class name must not contain '/'");
      if (std::find(names.begin(), names.end(), name) != names.end()) {
        Fail(here, "the class '" + name + "' is already in the " + (catalogue ? "catalogue" : "family"));
      }
      names.push_back(std::move(name));
    }
    return names;
  }

  // "classes": {"InterimProduct": ["Block", ...], ...}: the catalogue in families.
  void Families(const json& families, DocumentData& document) const {
    if (families.empty()) Fail("/classes", "the class catalogue must hold at least one family");
    for (const auto& [name, classes] : families.items()) {
      const std::string here = "/classes/" + name;
      if (name.empty()) Fail(here, "a family name must not be empty");
      ClassFamily family{name, ClassList(classes, here)};
      for (const auto& member : family.Classes) {
        if (std::find(document.ClassCatalogue.begin(), document.ClassCatalogue.end(), member) ==
            document.ClassCatalogue.end()) {
          document.ClassCatalogue.push_back(member);
        }
      }
      document.ClassFamilies.push_back(std::move(family));
    }
  }

  void CheckPath(const ProductData& root, const std::vector<std::string>& names, const std::string& path) const {
    if (names.empty() || names.front() != root.Name)
      Fail("/active", "no product at \"" + path + "\": the root is '" + root.Name + "'");
    const ProductData* current = &root;
    for (std::size_t i = 1; i < names.size(); ++i) {
      const ProductData* next = nullptr;
      for (const auto& child : current->Children) {
        if (child.Name == names[i]) next = &child;
      }
      if (next == nullptr)
        Fail("/active", "no product at \"" + path + "\": '" + current->Name + "' has no child '" + names[i] + "'");
      current = next;
    }
  }

 private:
  std::string _Source;
};

}  // namespace

std::string FirstControlCharacter(std::string_view utf8, bool tabAllowed) {
  std::size_t character = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if ((byte & 0xC0) != 0x80) ++character;
    unsigned code = 0x100;
    if ((byte < 0x20 && !(tabAllowed && byte == '\t')) || byte == 0x7F) code = byte;
    // C1 controls are U+0080 to U+009F: 0xC2 followed by 0x80 to 0x9F.
    if (byte == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      code = static_cast<unsigned char>(utf8[i + 1]);
    }
    if (code == 0x100) continue;
    char found[48];
    std::snprintf(found, sizeof found, "U+%04X at character %zu", code, character);
    return found;
  }
  return {};
}

std::vector<std::string> SplitPath(const std::string& path) {
  if (path.empty()) throw std::invalid_argument("is empty");
  if (path.front() == '/') throw std::invalid_argument("begins with '/' (it starts with the root's name)");
  if (path.back() == '/') throw std::invalid_argument("ends with '/'");
  std::vector<std::string> names;
  for (std::size_t begin = 0;;) {
    const std::size_t slash = path.find('/', begin);
    names.push_back(path.substr(begin, slash - begin));
    if (names.back().empty()) throw std::invalid_argument("holds an empty name between two '/'");
    if (slash == std::string::npos) return names;
    begin = slash + 1;
  }
}

DocumentData ParseDocument(const std::string& jsonText, const std::string& source) {
  ShapeCheck shape;
  if (!json::sax_parse(jsonText, &shape)) throw DocumentError(source + ": " + shape.Problem());
  json value;
  try {
    value = json::parse(jsonText);
  } catch (const json::parse_error& error) {
    throw DocumentError(source + ": at byte " + std::to_string(error.byte) + ": " + error.what());
  }
  return Reader(source).Document(value);
}

DocumentData ReadDocumentFile(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw DocumentError(path + ": cannot be read: it is a directory");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DocumentError(path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw DocumentError(path + ": cannot be read");
  return ParseDocument(text.str(), path);
}

}  // namespace vexhost
