// Host strings: a zero-terminated buffer of their own, null for the empty text.
#include "vex/Strings.h"

#include <cstring>

namespace {

// A copy of `text` in a buffer of its own, or null for an empty text.
char* CopyOf(const char* text, int& length) {
  length = text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
  if (length == 0) return nullptr;
  char* copy = new char[static_cast<std::size_t>(length) + 1];
  std::memcpy(copy, text, static_cast<std::size_t>(length) + 1);
  return copy;
}

const char* TextOf(const char* buffer) { return buffer != nullptr ? buffer : ""; }

bool Same(const char* left, const char* right) { return std::strcmp(TextOf(left), TextOf(right)) == 0; }

void Assign(char*& buffer, int& length, const char* text) {
  if (text == buffer) return;
  int newLength = 0;
  char* copy = CopyOf(text, newLength);
  delete[] buffer;
  buffer = copy;
  length = newLength;
}

}  // namespace

VexString::VexString() : _Text(nullptr), _Length(0) {}
VexString::VexString(const char* text) : _Text(CopyOf(text, _Length)) {}
VexString::VexString(const VexString& other) : _Text(CopyOf(other._Text, _Length)) {}
VexString& VexString::operator=(const VexString& other) {
  if (this == &other) return *this;
  Assign(_Text, _Length, other._Text);
  return *this;
}
VexString& VexString::operator=(const char* text) {
  Assign(_Text, _Length, text);
  return *this;
}
VexString::~VexString() { delete[] _Text; }
const char* VexString::CastToCharPtr() const { return TextOf(_Text); }
int VexString::GetLength() const { return _Length; }
bool VexString::operator==(const VexString& other) const { return Same(_Text, other._Text); }
bool VexString::operator==(const char* text) const { return text != nullptr && Same(_Text, text); }

VexUnicodeString::VexUnicodeString() : _Utf8(nullptr), _Length(0) {}
VexUnicodeString::VexUnicodeString(const char* utf8) : _Utf8(CopyOf(utf8, _Length)) {}
VexUnicodeString::VexUnicodeString(const VexUnicodeString& other) : _Utf8(CopyOf(other._Utf8, _Length)) {}
VexUnicodeString& VexUnicodeString::operator=(const VexUnicodeString& other) {
  if (this == &other) return *this;
  Assign(_Utf8, _Length, other._Utf8);
  return *this;
}
VexUnicodeString& VexUnicodeString::operator=(const char* utf8) {
  Assign(_Utf8, _Length, utf8);
  return *this;
}
VexUnicodeString::~VexUnicodeString() { delete[] _Utf8; }

int VexUnicodeString::GetLengthInChar() const {
  // Every byte that does not continue a UTF-8 sequence starts a character.
  int characters = 0;
  for (int i = 0; i < _Length; ++i) characters += (static_cast<unsigned char>(_Utf8[i]) & 0xC0) != 0x80 ? 1 : 0;
  return characters;
}

const char* VexUnicodeString::CastToCharPtr() const { return TextOf(_Utf8); }
bool VexUnicodeString::operator==(const VexUnicodeString& other) const { return Same(_Utf8, other._Utf8); }
bool VexUnicodeString::operator==(const char* utf8) const { return utf8 != nullptr && Same(_Utf8, utf8); }
