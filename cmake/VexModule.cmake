# Building command modules and validating them.
#
# vex_add_module(NAME SOURCES file... COMMANDS name... [EXPORT_EVERYTHING])
#   A shared library named NAME, built against the host contracts, that exports its entry points
#   and nothing else: fctCreate<COMMAND> for each command it registers and its marker
#   TOVARIK_KEL2_INTERNAL_<NAME>. EXPORT_EVERYTHING leaves the symbols visible (a module built so
#   is flagged by the validator).
#
# vex_add_validation(NAME test MODULE target [EXPECT kind] [TEXT text] [ARGS arg...])
#   A CTest test that runs `vexhost validate` on the module. Without EXPECT the module must
#   validate clean; with it, validation must report a finding of that kind whose message holds
#   TEXT, and the finding's replay script must reproduce it in `vexhost --script`.

function(vex_add_module name)
  cmake_parse_arguments(ARG "EXPORT_EVERYTHING" "" "SOURCES;COMMANDS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vexstandin)
  target_compile_options(${name} PRIVATE ${VEX_WARNINGS})
  if(ARG_EXPORT_EVERYTHING)
    return()
  endif()
  set(map "{\n  global:\n")
  foreach(command IN LISTS ARG_COMMANDS)
    string(APPEND map "    fctCreate${command};\n")
  endforeach()
  string(APPEND map "    TOVARIK_KEL2_INTERNAL_${name};\n  local: *;\n};\n")
  set(map_file ${CMAKE_CURRENT_BINARY_DIR}/${name}.map)
  file(WRITE ${map_file} "${map}")
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
                                           LINK_DEPENDS ${map_file})
  target_link_options(${name} PRIVATE -Wl,--version-script=${map_file})
endfunction()

function(vex_add_validation)
  cmake_parse_arguments(ARG "" "NAME;MODULE;EXPECT;TEXT" "ARGS" ${ARGN})
  if(VEX_SANITIZE)
    # Every case runs some fifty times slower under the sanitizers: a smaller exploration still
    # puts every part of the validator under them.
    list(PREPEND ARG_ARGS --depth 1 --states 20 --random 10)
  endif()
  add_test(NAME ${ARG_NAME}
           COMMAND bash ${PROJECT_SOURCE_DIR}/validator/tests/check-validation.sh
                   $<TARGET_FILE:vexhost> $<TARGET_FILE:vexvalidator_report> $<TARGET_FILE:${ARG_MODULE}>
                   "${ARG_EXPECT}" "${ARG_TEXT}" ${ARG_ARGS})
  set_tests_properties(${ARG_NAME} PROPERTIES SKIP_RETURN_CODE 77 LABELS validate)
endfunction()
