// Small text helpers: characters of UTF-8 text, trimming, joining.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexshell {

// The text split into its characters (UTF-8 sequences); a byte that starts no valid sequence
// stands alone, so that nothing is lost.
std::vector<std::string> Characters(std::string_view text);
// How many character cells the text takes: one a character.
int Width(std::string_view text);
std::string Trim(std::string_view text);
std::string Join(const std::vector<std::string>& parts, std::string_view separator);
// The last component of a path.
std::string FileName(const std::string& path);

}  // namespace vexshell
