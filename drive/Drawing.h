// The layout drawn as text: borders of '+', '-', '=' and '|'; an insensitive (greyed) widget
// between parentheses, a sensitive one between brackets where it has delimiters.
#pragma once

#include <string>

#include "Layout.h"

namespace vexdrive {

// The picture as lines of text, each ended by a newline; trailing blanks are dropped.
std::string DrawText(const Picture& picture);

}  // namespace vexdrive
