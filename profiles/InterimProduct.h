// The interim-product module's profile: the short forms a script and the page may use for its
// panel and error box (`ok`, `class NAME`, ...), and the names the short expectations read.
#pragma once

#include "drive/Profile.h"

namespace vexprofiles {

const vexdrive::Profile& InterimProductProfile();

}  // namespace vexprofiles
