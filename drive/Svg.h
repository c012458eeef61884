// The layout drawn as an SVG picture: the same boxes as the text drawing, one character cell to a
// fixed number of pixels, with insensitive widgets greyed out.
#pragma once

#include <string>

#include "Layout.h"

namespace vexdrive {

std::string DrawSvg(const Picture& picture);

}  // namespace vexdrive
