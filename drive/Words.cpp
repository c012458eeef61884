#include "Words.h"

#include <cstdint>
#include <string_view>

#include "Errors.h"
#include "Text.h"
#include "vexhost/Document.h"

namespace vexdrive {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Reads a quoted word that starts at `at`; returns the position after its closing quote.
std::size_t ReadQuoted(const std::string& text, std::size_t at, std::string& word) {
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == '"') return i + 1;
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
    word += text[i];
  }
  throw LineError("a quoted text is not closed (expected a closing \")");
}

// The text up to a comment: a `#` at the start of a word outside quotes.
std::string WithoutComment(const std::string& text) {
  bool wordStart = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '#' && wordStart) return text.substr(0, i);
    if (text[i] == '"') {
      std::string ignored;
      i = ReadQuoted(text, i, ignored) - 1;
      wordStart = false;
      continue;
    }
    wordStart = IsBlank(text[i]);
  }
  return text;
}

}  // namespace

std::vector<Word> SplitWords(const std::string& text) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    Word word;
    word.Begin = i;
    while (i < text.size() && !IsBlank(text[i])) {
      if (text[i] == '"') {
        i = ReadQuoted(text, i, word.Text);
      } else {
        word.Text += text[i++];
      }
    }
    word.End = i;
    words.push_back(std::move(word));
  }
  return words;
}

namespace {
// Whether the bytes are well-formed UTF-8: no stray continuation bytes, no truncated, overlong or
// surrogate sequences, nothing past U+10FFFF.
bool IsUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || i + length > text.size()) return false;
    std::uint32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}
}  // namespace

std::optional<ScriptLine> ParseLine(const std::string& written, int number) {
  if (written.find('\0') != std::string::npos) throw LineError("the line holds a NUL character");
  if (!IsUtf8(written)) throw LineError("the line is not valid UTF-8");
  // A line of a file written with CR LF line ends is taken as its text.
  const std::string_view text =
      !written.empty() && written.back() == '\r' ? std::string_view(written).substr(0, written.size() - 1) : written;
  if (const std::string control = vexhost::FirstControlCharacter(text, true); !control.empty()) {
    throw LineError("the line holds the control character " + control +
                    " (a script line holds no control characters but tabs between words)");
  }
  ScriptLine line;
  line.Number = number;
  line.Text = Trim(text);
  if (line.Text.empty()) return std::nullopt;
  const std::string code = Trim(WithoutComment(line.Text));
  if (code.empty()) return line;  // a comment
  std::size_t verbEnd = 0;
  while (verbEnd < code.size() && !IsBlank(code[verbEnd])) ++verbEnd;
  line.Verb = code.substr(0, verbEnd);
  line.Rest = Trim(code.substr(verbEnd));
  return line;
}

std::string UnwritableBecause(const std::string& text) {
  if (text.find('\0') != std::string::npos) return "a NUL character";
  if (!IsUtf8(text)) return "bytes that are not UTF-8";
  if (const std::string control = vexhost::FirstControlCharacter(text, false); !control.empty()) {
    return "the control character " + control;
  }
  return {};
}

std::string RestText(const std::string& rest) {
  if (rest.empty() || rest.front() != '"') return rest;
  const std::vector<Word> words = SplitWords(rest);
  if (words.size() == 1 && words.front().End == rest.size() && rest.back() == '"') return words.front().Text;
  return rest;
}

}  // namespace vexdrive
