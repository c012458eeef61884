# Runs one script of vex_add_script through vexhost and passes when every expectation holds:
#   cmake -DVEXHOST=... -DMODULE=... -DSCRIPT=... -DTRANSCRIPT=... [-DDOCUMENT=...] [-DRESOURCES=...]
#         -P VexRunScript.cmake
# The transcript (what vexhost printed) is written to TRANSCRIPT, kept when the script fails and
# removed when it passes. vexhost exits 1 when an expectation failed, 2 when a line could not be
# understood or done.
foreach(required IN ITEMS VEXHOST MODULE SCRIPT TRANSCRIPT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "VexRunScript.cmake: ${required} is not given")
  endif()
endforeach()
set(command "${VEXHOST}" --module "${MODULE}" --script "${SCRIPT}")
if(DOCUMENT)
  list(APPEND command --document "${DOCUMENT}")
endif()
if(RESOURCES)
  list(APPEND command --resources "${RESOURCES}")
endif()
get_filename_component(folder "${TRANSCRIPT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
execute_process(COMMAND ${command} OUTPUT_FILE "${TRANSCRIPT}" ERROR_VARIABLE errors RESULT_VARIABLE status)
if(status EQUAL 0)
  file(REMOVE "${TRANSCRIPT}")
  return()
endif()
file(STRINGS "${TRANSCRIPT}" failed REGEX "^  FAILED: ")
string(JOIN "\n" failed ${failed})
if(status EQUAL 1)
  set(why "an expectation failed")
elseif(status EQUAL 2)
  set(why "a line could not be understood or done")
else()
  set(why "vexhost ended with ${status}")
endif()
# The report goes out as written: a FATAL_ERROR message would be re-wrapped at 80 columns, which
# splits paths and sentences at places that depend on where the checkout lies.
message(NOTICE "${SCRIPT}: ${why}\n${failed}\n${errors}transcript kept in ${TRANSCRIPT}")
message(FATAL_ERROR "the script did not pass")
