# Cross-building for 64-bit Windows with Debian's MinGW-w64 (scripts/setup --windows), and running
# what is built under Wine. The windows preset uses it; a module author can too:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=PREFIX/lib/cmake/VexHost/mingw-w64-x86_64.cmake
#
# The compilers are the POSIX-threads builds (std::thread and std::mutex need them). Libraries and
# headers are looked for in the MinGW-w64 root and in CMAKE_PREFIX_PATH alone, never among the
# build machine's own packages: a Linux package's CMake configuration would put /usr/include on the
# include path and break the build. Programs (the emulator, objdump) are the build machine's.
#
# Tests and other programs of the build run through Wine (CMAKE_CROSSCOMPILING_EMULATOR), in a Wine
# prefix of their own inside the build folder (made at the first run, in about 8 s), without a
# display and without Wine's debug output.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VEX_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VEX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VEX_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP /usr/bin/${VEX_MINGW_TRIPLET}-objdump CACHE FILEPATH "objdump for PE files")

# The roots: the MinGW-w64 one, and each folder of CMAKE_PREFIX_PATH (a package installed for
# Windows), which is then searched as it stands.
set(CMAKE_FIND_ROOT_PATH /usr/${VEX_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_USE_PACKAGE_REGISTRY OFF)

find_program(VEX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(VEX_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
set(VEX_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
if(VEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY WINEPREFIX=${VEX_WINEPREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml= ${VEX_WINE})
endif()
