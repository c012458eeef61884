// Host strings: VexString for identifiers (object names, state names, resource keys) and
// VexUnicodeString for user-visible text. Texts are held as UTF-8; lengths count characters.
#pragma once

class VexString {
 public:
  VexString();
  VexString(const char* text);  // NOLINT: identifiers are written as literals
  VexString(const VexString& other);
  VexString& operator=(const VexString& other);
  VexString& operator=(const char* text);
  ~VexString();

  const char* CastToCharPtr() const;
  int GetLength() const;
  bool operator==(const VexString& other) const;
  bool operator==(const char* text) const;

 private:
  char* _Text;  // owned, zero-terminated; null for the empty text
  int _Length;  // in bytes
};

class VexUnicodeString {
 public:
  VexUnicodeString();
  VexUnicodeString(const char* utf8);  // NOLINT: texts are written as literals
  VexUnicodeString(const VexUnicodeString& other);
  VexUnicodeString& operator=(const VexUnicodeString& other);
  VexUnicodeString& operator=(const char* utf8);
  ~VexUnicodeString();

  // Number of characters (Unicode code points), not bytes.
  int GetLengthInChar() const;
  // The 8-bit form: UTF-8, so nothing is lost.
  const char* CastToCharPtr() const;
  bool operator==(const VexUnicodeString& other) const;
  bool operator==(const char* utf8) const;

 private:
  char* _Utf8;  // owned, zero-terminated; null for the empty text
  int _Length;  // in bytes
};
