// Host strings.
#include "vex/Strings.h"

#include <cstring>

VexString::VexString() = default;
VexString::VexString(const char* text) : _Text(text != nullptr ? text : "") {}
VexString::VexString(const VexString& other) = default;
VexString& VexString::operator=(const VexString& other) = default;
VexString& VexString::operator=(const char* text) {
  _Text = text != nullptr ? text : "";
  return *this;
}
VexString::~VexString() = default;
const char* VexString::CastToCharPtr() const { return _Text.c_str(); }
int VexString::GetLength() const { return static_cast<int>(_Text.size()); }
bool VexString::operator==(const VexString& other) const { return _Text == other._Text; }
bool VexString::operator==(const char* text) const { return text != nullptr && _Text == text; }

VexUnicodeString::VexUnicodeString() = default;
VexUnicodeString::VexUnicodeString(const char* utf8) : _Utf8(utf8 != nullptr ? utf8 : "") {}
VexUnicodeString::VexUnicodeString(const VexUnicodeString& other) = default;
VexUnicodeString& VexUnicodeString::operator=(const VexUnicodeString& other) = default;
VexUnicodeString& VexUnicodeString::operator=(const char* utf8) {
  _Utf8 = utf8 != nullptr ? utf8 : "";
  return *this;
}
VexUnicodeString::~VexUnicodeString() = default;

int VexUnicodeString::GetLengthInChar() const {
  // Every byte that does not continue a UTF-8 sequence starts a character.
  int characters = 0;
  for (unsigned char byte : _Utf8) characters += (byte & 0xC0) != 0x80 ? 1 : 0;
  return characters;
}

const char* VexUnicodeString::CastToCharPtr() const { return _Utf8.c_str(); }
bool VexUnicodeString::operator==(const VexUnicodeString& other) const { return _Utf8 == other._Utf8; }
bool VexUnicodeString::operator==(const char* utf8) const { return utf8 != nullptr && _Utf8 == utf8; }
