# Building and validating command modules for the host.
#
#   vex_add_module(NAME SOURCES file... EXPORTS symbol... [INCLUDE_DIRECTORIES dir...])
#
# Builds a shared library the way a host loads it: compiled against the host contracts alone
# (VexHost::contracts), the stand-in host linked without its headers, hidden visibility, a
# version script made from EXPORTS so that nothing else is exported, every export checked to
# exist, and no undefined symbol left (unless VEX_MODULE_ALLOW_UNDEFINED is set, as sanitizer
# builds with clang need). The order of the module's own static initialisation (its dictionary
# entries before its platform entry) is the module's to state in its source.
#
#   vex_add_validation(NAME MODULE target-or-path [DOCUMENT file] [APPROVED dir] [ARGS arg...])
#
# Adds a CTest test that runs `vexhost validate` on the module. With APPROVED (relative to the
# calling CMakeLists.txt's folder), the test also compares the module's behaviour with the approved
# behaviour kept in that directory, and writes it there when the directory holds none yet.

function(vex_add_module name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;EXPORTS;INCLUDE_DIRECTORIES")
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "vex_add_module(${name}): SOURCES names the module's source files")
  endif()
  if(NOT arg_EXPORTS)
    message(FATAL_ERROR "vex_add_module(${name}): EXPORTS names the module's entry points")
  endif()
  add_library(${name} SHARED ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${arg_INCLUDE_DIRECTORIES})
  target_link_libraries(${name} PRIVATE VexHost::contracts $<LINK_ONLY:VexHost::standin>)

  list(JOIN arg_EXPORTS ";\n    " symbols)
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}.exports.map")
  file(CONFIGURE OUTPUT "${script}" CONTENT "{\n  global:\n    ${symbols};\n  local: *;\n};\n")
  set_target_properties(${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS "${script}")
  target_link_options(${name} PRIVATE "-Wl,--version-script=${script}" -Wl,--no-undefined-version)
  if(NOT VEX_MODULE_ALLOW_UNDEFINED)
    target_link_options(${name} PRIVATE -Wl,-z,defs)
  endif()
endfunction()

function(vex_add_validation name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "MODULE;DOCUMENT;APPROVED" "ARGS")
  if(NOT arg_MODULE)
    message(FATAL_ERROR "vex_add_validation(${name}): MODULE names the module target or file")
  endif()
  set(module "${arg_MODULE}")
  if(TARGET ${arg_MODULE})
    set(module "$<TARGET_FILE:${arg_MODULE}>")
  endif()
  set(command "$<TARGET_FILE:VexHost::vexhost>" validate "${module}")
  if(arg_DOCUMENT)
    list(APPEND command --document "${arg_DOCUMENT}")
  endif()
  if(arg_APPROVED)
    cmake_path(ABSOLUTE_PATH arg_APPROVED BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
               OUTPUT_VARIABLE approved)
    list(APPEND command --approved "${approved}")
  endif()
  add_test(NAME ${name} COMMAND ${command} ${arg_ARGS})
endfunction()
