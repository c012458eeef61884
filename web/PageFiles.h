// The page's static files, built into the binary from web/page.
#pragma once

#include <string_view>
#include <vector>

namespace vexweb {

struct PageFile {
  std::string_view Path;  // as requested: "/", "/page.css", ...
  std::string_view ContentType;
  std::string_view Bytes;
};

const std::vector<PageFile>& PageFiles();

}  // namespace vexweb
