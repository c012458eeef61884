// Resource texts, read from the open session's resource folders.
#pragma once

#include <string>

namespace vexhost::detail {

// The text of `key` in resource file `file`; false, leaving `text` as it is, when it has none.
bool LookUpResource(const std::string& file, const std::string& key, std::string& text);

}  // namespace vexhost::detail
