# Run after a module is linked (cmake -P, by vex_add_module): every name of its EXPORTS must be
# defined and exported by the library, and on Windows nothing else may be exported. Says, for each
# name that is wrong, what the module must do.
#   -DMODULE=target -DLIBRARY=file -DFORMAT=ELF|PE -DNM=nm -DOBJDUMP=objdump -DEXPORTS=symbol,symbol,...
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" exports "${EXPORTS}")

# The names the library exports.
set(defined)
if(FORMAT STREQUAL "PE")
  # The DLL's export table, as objdump -p lists it: "[Ordinal/Name Pointer] Table", then a line
  # "[   n] name" for each exported name, up to an empty line.
  execute_process(COMMAND ${OBJDUMP} -p "${LIBRARY}"
                  OUTPUT_VARIABLE listed RESULT_VARIABLE status ERROR_VARIABLE problem)
  string(FIND "${listed}" "[Ordinal/Name Pointer] Table" table)
  if(table GREATER_EQUAL 0)
    string(SUBSTRING "${listed}" ${table} -1 listed)
    string(REGEX REPLACE "\n[ \t]*\n.*" "" listed "${listed}")
    string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" names "${listed}")
    foreach(entry IN LISTS names)
      string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" entry "${entry}")
      list(APPEND defined "${entry}")
    endforeach()
  endif()
else()
  execute_process(COMMAND ${NM} -D --defined-only --format=posix "${LIBRARY}"
                  OUTPUT_VARIABLE listed RESULT_VARIABLE status ERROR_VARIABLE problem)
  string(REGEX MATCHALL "(^|\n)[^ \n]+" names "${listed}")
  foreach(entry IN LISTS names)
    string(STRIP "${entry}" entry)
    list(APPEND defined "${entry}")
  endforeach()
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "vex_add_module(${MODULE}): cannot list the exports of ${LIBRARY}: ${problem}")
endif()

set(missing)
foreach(symbol IN LISTS exports)
  if(NOT symbol IN_LIST defined)
    if(symbol MATCHES "^fctCreate(.+)")
      list(APPEND missing
        "  ${symbol}: define extern \"C\" VexBaseUnknown* ${symbol}() returning a new command, and register it as "
        "'${CMAKE_MATCH_1}' with VexFillDictionary: a factory is named fctCreate followed by the registered "
        "name, exactly. If the module registers its command under another name, name that factory in EXPORTS.\n")
    else()
      list(APPEND missing "  ${symbol}: define extern \"C\" int ${symbol}() { return 1; }\n")
    endif()
  endif()
endforeach()
# On Linux the version script hides everything else; on Windows __declspec(dllexport) adds to the
# module-definition file's names.
set(extra)
if(FORMAT STREQUAL "PE")
  foreach(symbol IN LISTS defined)
    if(NOT symbol IN_LIST exports)
      list(APPEND extra "  ${symbol}\n")
    endif()
  endforeach()
endif()

if(missing OR extra)
  file(REMOVE "${LIBRARY}")  # so that the next build links it again
endif()
if(missing)
  string(JOIN "" said ${missing})
  message(FATAL_ERROR "vex_add_module(${MODULE}): the library does not define what EXPORTS names:\n${said}"
                      "(A function that is not extern \"C\" has a mangled name and does not count.)")
endif()
if(extra)
  string(JOIN "" said ${extra})
  message(FATAL_ERROR "vex_add_module(${MODULE}): the DLL exports names that EXPORTS does not name:\n${said}"
                      "A module exports its factories and its marker alone, and they come from EXPORTS: "
                      "remove __declspec(dllexport) from the module's sources.")
endif()
