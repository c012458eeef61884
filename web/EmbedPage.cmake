# Writes OUTPUT, a C++ source that holds the page's files (in PAGE_DIR) as bytes, so that the
# server needs nothing from the disk. Run at build time by web/CMakeLists.txt.
# Each: the path it is served at, the file, its media type (all are UTF-8 text).
set(files
  "/|index.html|text/html"
  "/page.css|page.css|text/css"
  "/page.js|page.js|text/javascript")

set(arrays "")
set(entries "")
set(index 0)
foreach(entry IN LISTS files)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 path)
  list(GET parts 1 name)
  list(GET parts 2 type)
  string(APPEND type "; charset=utf-8")
  file(READ "${PAGE_DIR}/${name}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char File${index}[] = {${bytes}};\n")
  string(APPEND entries "      {\"${path}\", \"${type}\", Text(File${index}, sizeof File${index})},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUTPUT}.new" "// Made from web/page by web/EmbedPage.cmake.
#include \"PageFiles.h\"

namespace vexweb {

namespace {

${arrays}
std::string_view Text(const unsigned char* bytes, std::size_t size) {
  return {reinterpret_cast<const char*>(bytes), size};
}

}  // namespace

const std::vector<PageFile>& PageFiles() {
  static const std::vector<PageFile> files{
${entries}  };
  return files;
}

}  // namespace vexweb
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
