// Resource texts, read from the open session's resource folders.
#pragma once

#include <string>
#include <vector>

namespace vexhost::detail {

// The text of `key` in resource file `file`; false, leaving `text` as it is, when it has none.
bool LookUpResource(const std::string& file, const std::string& key, std::string& text);
// Reads every resource file of the folders not checked yet in this process and reports each bad
// one, once, with its place.
void CheckResourceFolders(const std::vector<std::string>& dirs);

}  // namespace vexhost::detail
