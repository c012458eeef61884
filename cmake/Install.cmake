# Installs the package other modules build against: the contracts, the stand-in host with its
# driver headers, the vexhost shell with its resources and default module, and the CMake package
# (find_package(VexHost CONFIG)). The same targets are exported for use from this build tree.
include(CMakePackageConfigHelpers)

set(VEX_PACKAGE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/VexHost")
set(VEX_HOST_TARGETS vexcontracts vexstandin)
if(TARGET vexhost)
  list(APPEND VEX_HOST_TARGETS vexhost)
endif()

install(TARGETS ${VEX_HOST_TARGETS} EXPORT VexHostTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Two include folders, as in the build tree: a module compiles against the contracts' alone, so
# that a driver header does not compile in it (VexHost::standin's users get both).
install(DIRECTORY host/include/vex DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY host/standin/include/vexhost DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vexhost-driver)

# The shell's default module and its texts, where the installed shell looks for them: beside
# it, relative to its own place.
if(TARGET vexhost)
  install(TARGETS VexStrInterimProduct LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vexhost)
  install(DIRECTORY resources/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vexhost/resources)
endif()

# The correct example modules, each buildable on its own against this package: what the guide
# sends an author to. Their recorded transcripts are this project's tests, not the package's.
install(DIRECTORY examples/rename-part examples/number-parts examples/narrow-editors examples/apply-parts
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vexhost/examples PATTERN "*.out" EXCLUDE)

install(EXPORT VexHostTargets NAMESPACE VexHost:: DESTINATION ${VEX_PACKAGE_DIR})
export(EXPORT VexHostTargets NAMESPACE VexHost:: FILE "${PROJECT_BINARY_DIR}/VexHostTargets.cmake")

configure_package_config_file(cmake/VexHostConfig.cmake.in "${PROJECT_BINARY_DIR}/VexHostConfig.cmake"
  INSTALL_DESTINATION ${VEX_PACKAGE_DIR})
write_basic_package_version_file("${PROJECT_BINARY_DIR}/VexHostConfigVersion.cmake"
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/VexHostConfig.cmake" "${PROJECT_BINARY_DIR}/VexHostConfigVersion.cmake"
              cmake/VexModule.cmake cmake/VexCheckExports.cmake cmake/VexRunScript.cmake
        DESTINATION ${VEX_PACKAGE_DIR})
# The Windows package (scripts/install-package --windows) holds the toolchain file that a module's
# Windows build is configured with.
if(WIN32)
  install(FILES cmake/mingw-w64-x86_64.cmake DESTINATION ${VEX_PACKAGE_DIR})
endif()
