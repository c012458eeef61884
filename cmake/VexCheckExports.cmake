# Run after a module is linked (cmake -P, by vex_add_module): every name of its EXPORTS must be
# defined and exported by the library. Says, for each that is not, what the module must define.
#   -DMODULE=target -DLIBRARY=file -DNM=nm -DEXPORTS=symbol,symbol,...
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" exports "${EXPORTS}")
execute_process(COMMAND ${NM} -D --defined-only --format=posix "${LIBRARY}"
                OUTPUT_VARIABLE listed RESULT_VARIABLE status ERROR_VARIABLE problem)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "vex_add_module(${MODULE}): cannot list the exports of ${LIBRARY}: ${problem}")
endif()
string(REGEX MATCHALL "(^|\n)[^ \n]+" names "${listed}")
set(defined)
foreach(entry IN LISTS names)
  string(STRIP "${entry}" entry)
  list(APPEND defined "${entry}")
endforeach()

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
if(missing)
  file(REMOVE "${LIBRARY}")  # so that the next build links it again
  string(JOIN "" said ${missing})
  message(FATAL_ERROR "vex_add_module(${MODULE}): the library does not define what EXPORTS names:\n${said}"
                      "(A function that is not extern \"C\" has a mangled name and does not count.)")
endif()
