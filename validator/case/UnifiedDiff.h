// A unified diff of two texts, line by line, as `diff -u` writes it: the shortest edit script
// (Myers' algorithm), hunks with three lines of context, each headed by its line ranges.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vexvalidator {

// The lines of a text; a last line without its new line counts as a line.
std::vector<std::string> SplitLines(const std::string& text);

// The lines, each longer than `width` broken after its `separator`s into lines of at most `width`
// (a piece longer than that stays whole), the lines it continues on indented by four blanks.
std::vector<std::string> FoldedAt(const std::vector<std::string>& lines, const std::string& separator,
                                  std::size_t width);

// The diff that turns `before` into `after`, with the two names in its header; empty when the
// texts are equal.
std::string UnifiedDiff(const std::vector<std::string>& before, const std::vector<std::string>& after,
                        const std::string& beforeName, const std::string& afterName, int context = 3);

}  // namespace vexvalidator
