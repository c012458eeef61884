// Script lines split into a command word and its arguments. A `#` at the start of a word, outside
// double quotes, starts a comment. An argument may be written in double quotes to keep blanks, a
// leading `#` or an empty text; inside the quotes a backslash escapes a quote or a backslash.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vexdrive {

struct ScriptLine {
  int Number = 0;
  std::string Text;  // the line as written, without surrounding blanks
  std::string Verb;  // empty for a comment line
  std::string Rest;  // what follows the verb, without the comment and surrounding blanks
};

struct Word {
  std::string Text;       // unquoted
  std::size_t Begin = 0;  // where it stands in the text it was split from
  std::size_t End = 0;
};

// Nothing for a blank line. Throws LineError for an unterminated quote.
std::optional<ScriptLine> ParseLine(const std::string& text, int number);
std::vector<Word> SplitWords(const std::string& text);
// Why no script line can hold the text as one word's text, or empty when one can: a NUL, bytes
// that are not UTF-8, or a control character (the tab included), e.g. "the control character
// U+000A at character 3".
std::string UnwritableBecause(const std::string& text);
// The rest of a line as one text: what is written, or the unquoted text when it is one quoted word.
std::string RestText(const std::string& rest);

}  // namespace vexdrive
