# vex_add_test_support(GTEST_TARGETS...): the library vextestsupport, the fixture both suites run
# in (the module's in tests/, the stand-in's in host/standin/tests): a fresh host session with this
# build's module loaded (or the one VEX_MODULE_UNDER_TEST names), the accounting checked at the end,
# and the loading of a library. The GoogleTest targets are named as the platform's build names them.
function(vex_add_test_support)
  set(here ${PROJECT_SOURCE_DIR}/tests)
  add_library(vextestsupport STATIC ${here}/TestSupport.cpp ${here}/Libraries.cpp)
  target_include_directories(vextestsupport PUBLIC ${here})
  target_link_libraries(vextestsupport PUBLIC VexHost::standin nlohmann_json::nlohmann_json ${ARGN})
  target_compile_options(vextestsupport PRIVATE ${VEX_WARNINGS})
  target_compile_definitions(vextestsupport PUBLIC
    VEX_MODULE_PATH="$<TARGET_FILE:VexStrInterimProduct>"
    VEX_RESOURCE_DIR="${VEX_RESOURCE_DIR}")
  add_dependencies(vextestsupport VexStrInterimProduct)
endfunction()
