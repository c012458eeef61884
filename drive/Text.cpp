#include "Text.h"

#include <locale.h>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace vexdrive {

namespace {

constexpr std::size_t EchoCharacters = 60;

// The length of the UTF-8 sequence that starts at `at`, or 1 when none starts there.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 1;
  if ((lead & 0xE0U) == 0xC0U) {
    length = 2;
  } else if ((lead & 0xF0U) == 0xE0U) {
    length = 3;
  } else if ((lead & 0xF8U) == 0xF0U) {
    length = 4;
  }
  if (at + length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0U) != 0x80U) return 1;
  }
  return length;
}

// The code point of one character as Characters() splits it; nothing for a lone byte that is not
// a character of its own (a stray continuation byte or an invalid lead).
bool Decode(std::string_view character, std::uint32_t& code) {
  const auto lead = static_cast<unsigned char>(character.front());
  if (character.size() == 1) {
    code = lead;
    return lead < 0x80;
  }
  code = lead & (0xFFU >> (character.size() + 1));
  for (std::size_t i = 1; i < character.size(); ++i)
    code = (code << 6) | (static_cast<unsigned char>(character[i]) & 0x3FU);
  const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  return code >= smallest[character.size()] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

// Calls `each` with every character of the text, without copying the text.
template <class Each>
void ForEachCharacter(std::string_view text, Each&& each) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = SequenceLength(text, at);
    each(text.substr(at, length));
    at += length;
  }
}

std::size_t CountCharacters(std::string_view text) {
  std::size_t count = 0;
  ForEachCharacter(text, [&](std::string_view) { ++count; });
  return count;
}

bool IsControl(std::uint32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

std::string Hex(const char* format, std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
  return text;
}

std::string Escape(std::uint32_t code) {
  switch (code) {
    case '\t':
      return "\\t";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    default:
      return code < 0x80 ? Hex("\\x%02X", code) : Hex("\\u%04X", code);
  }
}

std::string MakePrintable(std::string_view text, bool keepNewlines) {
  std::string printable;
  printable.reserve(text.size());
  ForEachCharacter(text, [&](std::string_view character) {
    std::uint32_t code = 0;
    if (!Decode(character, code)) {
      for (char byte : character) printable += Hex("\\x%02X", static_cast<unsigned char>(byte));
    } else if (IsControl(code) && !(keepNewlines && code == '\n')) {
      printable += Escape(code);
    } else {
      printable += character;
    }
  });
  return printable;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

std::vector<std::string> Characters(std::string_view text) {
  std::vector<std::string> characters;
  ForEachCharacter(text, [&](std::string_view character) { characters.emplace_back(character); });
  return characters;
}

int CharacterWidth(std::string_view character) {
  std::uint32_t code = 0;
  if (character.empty() || !Decode(character, code)) return 1;
  if (code < 0x7F) return 1;
  // The C library knows the widths of its Unicode version; its C.UTF-8 locale is used for this
  // thread only while asking, so the program's own locale stays as it is.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (utf8 == static_cast<locale_t>(nullptr)) return 1;
  const locale_t previous = uselocale(utf8);
  const int width = wcwidth(static_cast<wchar_t>(code));
  uselocale(previous);
  return width < 0 ? 1 : width;  // an unassigned or control character takes one cell as its escape would
}

int Width(std::string_view text) {
  int width = 0;
  ForEachCharacter(text, [&](std::string_view character) { width += CharacterWidth(character); });
  return width;
}

std::string Printable(std::string_view text) { return MakePrintable(text, false); }

std::string PrintableLines(std::string_view text) { return MakePrintable(text, true); }

std::string Quoted(std::string_view text) { return "\"" + Printable(text) + "\""; }

std::string Abbreviated(std::string_view text, std::size_t maxCharacters) {
  const std::size_t count = CountCharacters(text);
  if (count <= maxCharacters) return std::string(text);
  const std::size_t tail = maxCharacters / 3;
  const std::size_t head = maxCharacters - tail;
  std::size_t index = 0;
  std::size_t headEnd = 0;
  std::size_t tailBegin = text.size();
  ForEachCharacter(text, [&](std::string_view character) {
    const auto at = static_cast<std::size_t>(character.data() - text.data());
    if (index == head) headEnd = at;
    if (index == count - tail) tailBegin = at;
    ++index;
  });
  return std::string(text.substr(0, headEnd)) + "[... " + std::to_string(count - head - tail) + " characters cut ...]" +
         std::string(text.substr(tailBegin));
}

std::string Echo(std::string_view text) { return Quoted(Abbreviated(text, EchoCharacters)); }

std::string Trim(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsSpace(text[first])) ++first;
  while (last > first && IsSpace(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += separator;
    joined += parts[i];
  }
  return joined;
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace vexdrive
