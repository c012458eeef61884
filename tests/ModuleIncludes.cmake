# Fails when a source of the module includes anything but its own headers, the host contracts
# (vex/...), the standard library, or <dlfcn.h> (the platform's module entry).
file(GLOB sources "${SOURCE_DIR}/command/*.h" "${SOURCE_DIR}/command/*.cpp"
                  "${SOURCE_DIR}/panel/*.h" "${SOURCE_DIR}/panel/*.cpp")
set(problems "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" header "${line}")
    if(header MATCHES "^\"vex/" OR header MATCHES "^\"VexStr[A-Za-z]+\\.h\"$" OR header STREQUAL "<dlfcn.h>")
      continue()
    endif()
    if(header MATCHES "^<[a-z_]+>$")  # a standard library header
      continue()
    endif()
    string(APPEND problems "  ${source}: ${header}\n")
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "the module includes headers other than the host contracts:\n${problems}")
endif()
message(STATUS "the module includes only the host contracts and the standard library")
