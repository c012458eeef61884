// Host strings: a zero-terminated buffer of their own, null for the empty text. And what the gate
// asks of a text the module hands over: that it is UTF-8.
#include "vex/Strings.h"

#include <cstring>
#include <string_view>

#include "Gate.h"

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

namespace vexhost::detail {

bool IsUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    // The sequence's length and the range its second byte must lie in, which rules out overlong
    // forms, surrogates and code points past U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + length > size || bytes[i + 1] < low || bytes[i + 1] > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace vexhost::detail
