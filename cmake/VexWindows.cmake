# What the Windows build (the windows preset, cmake/mingw-w64-x86_64.cmake) needs besides the Linux
# one. Included by the top CMakeLists.txt when WIN32, before any target is made.
#
# Built: the module, the stand-in host and their tests. The front ends (the vexhost shell, the page
# server, the validator) and the benchmarks need POSIX and Linux-only libraries, and are not built.
include(CMakePackageConfigHelpers)

foreach(option IN ITEMS VEX_BUILD_SHELL VEX_BUILD_BENCHMARKS)
  if(${option})
    message(STATUS "${option} is OFF for Windows: that part of the toolkit runs on Linux only")
    set(${option} OFF CACHE BOOL "" FORCE)
  endif()
endforeach()

# Programs and DLLs side by side, with the compiler's runtime DLLs beside them: Windows finds a
# program's DLLs in the program's own folder.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
_vex_mingw_runtime_dlls(runtime)
file(COPY ${runtime} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

# The JSON library that the stand-in reads documents and resources with is headers alone. The
# build machine's copy is taken without its Linux CMake configuration (which would put all of
# /usr/include on the include path): its folder is copied into the build, and a configuration of
# our own names it.
find_path(VEX_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT VEX_JSON_INCLUDE_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp is not found: is nlohmann-json3-dev installed (scripts/setup --package)?")
endif()
set(json_root ${PROJECT_BINARY_DIR}/header-only/nlohmann_json)
file(COPY ${VEX_JSON_INCLUDE_DIR}/nlohmann DESTINATION ${json_root}/include)
file(STRINGS ${json_root}/include/nlohmann/detail/abi_macros.hpp json_version_lines
     REGEX "#define NLOHMANN_JSON_VERSION_(MAJOR|MINOR|PATCH) ")
set(json_version)
foreach(line IN LISTS json_version_lines)
  string(REGEX MATCH "VERSION_[A-Z]+ +([0-9]+)" ignored "${line}")
  list(APPEND json_version ${CMAKE_MATCH_1})
endforeach()
list(JOIN json_version "." json_version)
file(WRITE ${json_root}/nlohmann_jsonConfig.cmake
     "if(NOT TARGET nlohmann_json::nlohmann_json)\n"
     "  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)\n"
     "  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES\n"
     "    INTERFACE_INCLUDE_DIRECTORIES \"${json_root}/include\")\n"
     "endif()\n")
write_basic_package_version_file(${json_root}/nlohmann_jsonConfigVersion.cmake VERSION ${json_version}
                                 COMPATIBILITY SameMajorVersion)
set(nlohmann_json_DIR ${json_root} CACHE PATH "the JSON library's configuration for the Windows build" FORCE)
