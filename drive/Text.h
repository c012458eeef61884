// Small text helpers: characters of UTF-8 text and their display width, texts made safe to print,
// trimming, joining.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexdrive {

// The text split into its characters (UTF-8 sequences); a byte that starts no valid sequence
// stands alone, so that nothing is lost.
std::vector<std::string> Characters(std::string_view text);
// How many terminal cells a character takes: 2 for wide (East Asian) ones, 0 for combining and
// other zero-width ones, else 1. Measured by the C library's wcwidth under the C.UTF-8 locale.
int CharacterWidth(std::string_view character);
// How many terminal cells the text takes.
int Width(std::string_view text);

// The text with every control character (C0, DEL, C1) written as an escape (\t, \n, \r, \x1B,
// \u0085) and every byte that is not UTF-8 as \xNN, so that it cannot move the cursor, start an
// escape sequence, break a line or make XML malformed. PrintableLines keeps the newlines.
std::string Printable(std::string_view text);
std::string PrintableLines(std::string_view text);
// The text in double quotes, printable.
std::string Quoted(std::string_view text);
// At most `maxCharacters` characters: a longer text keeps its start and its end around a note of
// how much was cut.
std::string Abbreviated(std::string_view text, std::size_t maxCharacters);
// What a user wrote, quoted in a message: printable and cut when long.
std::string Echo(std::string_view text);
// A message longer than this is cut in its middle, so that what failed and what was expected stay.
inline constexpr std::size_t MessageCharacters = 1500;

std::string Trim(std::string_view text);
std::string Join(const std::vector<std::string>& parts, std::string_view separator);
// The last component of a path.
std::string FileName(const std::string& path);

}  // namespace vexdrive
