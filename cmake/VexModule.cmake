# Building and validating command modules for the host.
#
#   vex_add_module(NAME SOURCES file... EXPORTS symbol... [INCLUDE_DIRECTORIES dir...] [OUTPUT_NAME name])
#
# Builds a shared library the way a host loads it: compiled against the host contracts alone
# (VexHost::contracts), the stand-in host linked without its headers, hidden visibility, a
# version script made from EXPORTS so that nothing else is exported, and no undefined symbol left
# (unless VEX_MODULE_ALLOW_UNDEFINED is set, as sanitizer builds with clang need). On Windows, a
# DLL NAME.dll whose exports come from a module-definition file made from EXPORTS, and whose export
# table is checked after the link to hold those names and no other. EXPORTS holds
# fctCreate<NAME> for each command the module registers as NAME, and TOVARIK_KEL2_INTERNAL_<library>;
# a name of another form stops the configuration, and an export the library does not define stops
# the build, each with what to write instead. The order of the module's own static initialisation
# (its dictionary entries before its platform entry) is the module's to state in its source.
# OUTPUT_NAME names the library when it is not NAME, as for two builds of one module.
#
#   vex_add_validation(NAME MODULE target-or-path [DOCUMENT file] [RESOURCES dir] [APPROVED dir] [JOBS n]
#                      [ARGS arg...])
#
# Adds a CTest test that runs `vexhost validate` on the module. DOCUMENT and RESOURCES are relative
# to the folder of the CMakeLists.txt that calls it. The validation runs JOBS worker processes
# (default 2), and the test asks CTest for as many processors. With APPROVED (relative to the same
# folder), the test also compares the module's behaviour with the approved behaviour kept in that
# directory, and writes it there when the directory holds none yet. The validator runs on Linux
# only: in a Windows build, vex_add_validation adds nothing and says so.
#
#   vex_copy_runtime_dlls(target)
#
# Windows: copies the stand-in's DLL and the compiler's runtime DLLs beside a program (a test of
# the module's own that drives the stand-in), so that it runs; does nothing elsewhere.

set(_VEX_MODULE_DIR ${CMAKE_CURRENT_LIST_DIR})

# Stops the configuration when an export is not of the two forms a host looks for.
function(_vex_check_export_names name library exports)
  set(marker TOVARIK_KEL2_INTERNAL_${library})
  set(factories 0)
  foreach(symbol IN LISTS exports)
    if(symbol MATCHES "^fctCreate.+")
      math(EXPR factories "${factories} + 1")
    elseif(NOT symbol STREQUAL marker)
      message(FATAL_ERROR
        "vex_add_module(${name}): EXPORTS names '${symbol}', which no host looks for. A module exports "
        "fctCreate<NAME> for each command it registers as NAME with VexFillDictionary (the registered "
        "name exactly, after 'fctCreate'), and its marker ${marker} (the library's name after the prefix); "
        "nothing else.")
    endif()
  endforeach()
  if(factories EQUAL 0)
    message(FATAL_ERROR
      "vex_add_module(${name}): EXPORTS names no factory. For a command registered as NAME with "
      "VexFillDictionary, export extern \"C\" VexBaseUnknown* fctCreateNAME() and list fctCreateNAME in EXPORTS.")
  endif()
  if(NOT marker IN_LIST exports)
    message(FATAL_ERROR
      "vex_add_module(${name}): EXPORTS lacks the module's marker ${marker}: define "
      "extern \"C\" int ${marker}() { return 1; } in the module and list it in EXPORTS.")
  endif()
endfunction()

function(vex_add_module name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT_NAME" "SOURCES;EXPORTS;INCLUDE_DIRECTORIES")
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "vex_add_module(${name}): SOURCES names the module's source files")
  endif()
  if(NOT arg_EXPORTS)
    message(FATAL_ERROR "vex_add_module(${name}): EXPORTS names the module's entry points")
  endif()
  add_library(${name} SHARED ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${arg_INCLUDE_DIRECTORIES})
  target_link_libraries(${name} PRIVATE VexHost::contracts $<LINK_ONLY:VexHost::standin>)
  if(arg_OUTPUT_NAME)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${arg_OUTPUT_NAME})
  endif()
  get_target_property(library ${name} OUTPUT_NAME)
  if(NOT library)
    set(library ${name})
  endif()
  _vex_check_export_names(${name} ${library} "${arg_EXPORTS}")

  if(WIN32)
    _vex_export_from_definitions(${name} ${library} "${arg_EXPORTS}")
  else()
    _vex_export_from_version_script(${name} "${arg_EXPORTS}")
  endif()
  # Every export must be defined (and on Windows, nothing else exported): checked after the link,
  # naming what is wrong and how to write it.
  list(JOIN arg_EXPORTS "," exports)
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DMODULE=${name} -DLIBRARY=$<TARGET_FILE:${name}> -DNM=${CMAKE_NM}
            -DOBJDUMP=${CMAKE_OBJDUMP} -DFORMAT=$<IF:$<BOOL:${WIN32}>,PE,ELF> -DEXPORTS=${exports}
            -P ${_VEX_MODULE_DIR}/VexCheckExports.cmake
    VERBATIM)
endfunction()

# Linux: hidden visibility and a version script made from EXPORTS, and no undefined symbol left.
function(_vex_export_from_version_script name exports)
  list(JOIN exports ";\n    " symbols)
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}.exports.map")
  file(CONFIGURE OUTPUT "${script}" CONTENT "{\n  global:\n    ${symbols};\n  local: *;\n};\n")
  set_target_properties(${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS "${script}")
  target_link_options(${name} PRIVATE "-Wl,--version-script=${script}")
  if(NOT VEX_MODULE_ALLOW_UNDEFINED)
    target_link_options(${name} PRIVATE -Wl,-z,defs)
  endif()
endfunction()

# Windows: a DLL named LIBRARY.dll (no "lib" before it) whose exports come from a module-definition
# file made from EXPORTS, and from nothing else: __declspec(dllexport) would also export the mangled
# names of what it marks, and the check after the link fails on any such export. A DLL cannot be
# linked with an undefined symbol, so no option asks for that.
function(_vex_export_from_definitions name library exports)
  list(JOIN exports "\n    " symbols)
  set(definitions "${CMAKE_CURRENT_BINARY_DIR}/${name}.def")
  file(CONFIGURE OUTPUT "${definitions}" CONTENT "EXPORTS\n    ${symbols}\n")
  target_sources(${name} PRIVATE "${definitions}")
  set_target_properties(${name} PROPERTIES PREFIX "" IMPORT_PREFIX "")
endfunction()

# The compiler's runtime DLLs (MinGW-w64): the full paths, in `out`.
function(_vex_mingw_runtime_dlls out)
  set(found_all)
  foreach(runtime IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime} OUTPUT_VARIABLE found
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
      message(FATAL_ERROR "the compiler's runtime ${runtime} is not found: is g++-mingw-w64-x86-64-posix installed?")
    endif()
    list(APPEND found_all "${found}")
  endforeach()
  set(${out} ${found_all} PARENT_SCOPE)
endfunction()

# Windows: copies beside the program TARGET, after each build, the DLLs it needs to run that are
# not its own: the stand-in host's and the compiler's runtime, as Windows (and Wine) looks for a
# program's DLLs in the program's folder. Elsewhere it does nothing.
function(vex_copy_runtime_dlls target)
  if(NOT WIN32)
    return()
  endif()
  _vex_mingw_runtime_dlls(runtime)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:VexHost::standin> ${runtime} $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()

# Appends to the list `out` the document and the resources that are given, each made absolute
# from the calling folder, after its flag; a flag ending in '=' is joined to its path.
function(_vex_document_and_resources out document_flag resources_flag document resources)
  set(result ${${out}})
  foreach(option IN ITEMS document resources)
    if("${${option}}" STREQUAL "")
      continue()
    endif()
    cmake_path(ABSOLUTE_PATH ${option} BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE path)
    set(flag "${${option}_flag}")
    if(flag MATCHES "=$")
      list(APPEND result "${flag}${path}")
    else()
      list(APPEND result ${flag} "${path}")
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(vex_add_validation name)
  # The validator (vexhost) runs on Linux alone: a Windows build of the module adds no validation.
  if(WIN32)
    message(STATUS "vex_add_validation(${name}): the validator runs on Linux only; not added to this Windows build")
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "MODULE;DOCUMENT;RESOURCES;APPROVED;JOBS" "ARGS")
  if(NOT arg_MODULE)
    message(FATAL_ERROR "vex_add_validation(${name}): MODULE names the module target or file")
  endif()
  set(module "${arg_MODULE}")
  if(TARGET ${arg_MODULE})
    set(module "$<TARGET_FILE:${arg_MODULE}>")
  endif()
  set(jobs 2)
  if(arg_JOBS)
    set(jobs ${arg_JOBS})
  endif()
  set(command "$<TARGET_FILE:VexHost::vexhost>" validate "${module}" --jobs ${jobs})
  _vex_document_and_resources(command --document --resources "${arg_DOCUMENT}" "${arg_RESOURCES}")
  if(arg_APPROVED)
    cmake_path(ABSOLUTE_PATH arg_APPROVED BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
               OUTPUT_VARIABLE approved)
    list(APPEND command --approved "${approved}")
  endif()
  add_test(NAME ${name} COMMAND ${command} ${arg_ARGS})
  set_tests_properties(${name} PROPERTIES PROCESSORS ${jobs})
endfunction()

# vex_add_script(TARGET SCRIPTS script... [DOCUMENT file] [RESOURCES dir])
# Each script a CTest test, TARGET.script.NAME (NAME: the script's file name without .vex), that
# runs it through vexhost on the module TARGET builds and passes when every expectation holds; a
# failing one keeps its transcript in the build tree and names it. DOCUMENT and RESOURCES, relative
# to this folder, are vexhost's --document and --resources.
function(vex_add_script target)
  # vexhost runs on Linux alone.
  if(WIN32)
    message(STATUS "vex_add_script(${target}): vexhost runs on Linux only; not added to this Windows build")
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DOCUMENT;RESOURCES" "SCRIPTS")
  if(NOT TARGET ${target})
    message(FATAL_ERROR "vex_add_script(${target}): TARGET names the module's target")
  endif()
  if(NOT arg_SCRIPTS)
    message(FATAL_ERROR "vex_add_script(${target}): SCRIPTS names at least one script")
  endif()
  set(options)
  _vex_document_and_resources(options -DDOCUMENT= -DRESOURCES= "${arg_DOCUMENT}" "${arg_RESOURCES}")
  foreach(script IN LISTS arg_SCRIPTS)
    cmake_path(ABSOLUTE_PATH script BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE path)
    cmake_path(GET path STEM stem)
    add_test(NAME ${target}.script.${stem}
             COMMAND ${CMAKE_COMMAND} -DVEXHOST=$<TARGET_FILE:VexHost::vexhost> -DMODULE=$<TARGET_FILE:${target}>
                     -DSCRIPT=${path} -DTRANSCRIPT=${CMAKE_CURRENT_BINARY_DIR}/${target}.scripts/${stem}.out
                     ${options} -P ${_VEX_MODULE_DIR}/VexRunScript.cmake)
  endforeach()
endfunction()
