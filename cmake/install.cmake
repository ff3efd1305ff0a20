# What `cmake --install` puts under the prefix: the public headers (with the
# generated korvane/version.h and export headers), the libraries with their
# CMake package (find_package(Korvane COMPONENTS ...),
# one targets file per component), a version file, korvane.pc, the
# loadable control library (lib/korvane/), korvane-host and the Designer
# plugin.
include(CMakePackageConfigHelpers)

set(KORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Korvane)
set(KORVANE_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/korvane)

# korvane_install_component(<component> <targets...>)
function(korvane_install_component component)
  install(TARGETS ${ARGN} EXPORT Korvane${component}Targets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT Korvane${component}Targets NAMESPACE Korvane:: DESTINATION ${KORVANE_CMAKE_DIR})
endfunction()

korvane_install_component(Core korvane)
korvane_install_component(FormFile korvane_form_file)
set(KORVANE_INSTALLED_COMPONENTS FormFile)
if(TARGET korvane_qt)
  korvane_install_component(Qt korvane_qt)
  list(APPEND KORVANE_INSTALLED_COMPONENTS Qt)
endif()
# The Qt Quick desktop, and the QML module Korvane beside Qt's own QML
# modules under the prefix (lib/<arch>/qt6/qml/Korvane for /usr on Debian),
# where a QML engine finds `import Korvane` on its default import path.
if(TARGET korvane_quick)
  korvane_install_component(Quick korvane_quick)
  list(APPEND KORVANE_INSTALLED_COMPONENTS Quick)
  set(KORVANE_QML_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/qt6/qml/Korvane)
  install(TARGETS korvane_quickplugin LIBRARY DESTINATION ${KORVANE_QML_INSTALL_DIR})
  install(FILES ${KORVANE_QML_OUTPUT_DIR}/Korvane/qmldir ${KORVANE_QML_OUTPUT_DIR}/Korvane/korvane_quick.qmltypes
          DESTINATION ${KORVANE_QML_INSTALL_DIR})
  korvane_install_rpath(korvane_quickplugin ${KORVANE_QML_INSTALL_DIR})
endif()
if(TARGET korvane_component)
  korvane_install_component(Component korvane_component)
  list(APPEND KORVANE_INSTALLED_COMPONENTS Component)
  # Loaded by path through the registry, never linked: kept out of the
  # linker's folder.
  install(TARGETS korvane_shared LIBRARY DESTINATION ${KORVANE_MODULE_DIR})
  install(TARGETS korvane-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(TARGET korvane_designer)
  set(KORVANE_DESIGNER_INSTALLED TRUE)
else()
  set(KORVANE_DESIGNER_INSTALLED FALSE)
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KorvaneConfig.cmake
  INSTALL_DESTINATION ${KORVANE_CMAKE_DIR}
  PATH_VARS KORVANE_MODULE_DIR KORVANE_DESIGNER_INSTALL_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KorvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KorvaneConfig.cmake ${PROJECT_BINARY_DIR}/KorvaneConfigVersion.cmake
  DESTINATION ${KORVANE_CMAKE_DIR})

# korvane.pc finds its prefix from where it lies, so the installed tree can
# be moved. Shared libraries bring ICU along themselves; static archives
# need it named for every program that links them, and their headers need
# the marks of a static build.
file(RELATIVE_PATH KORVANE_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
if(BUILD_SHARED_LIBS)
  set(KORVANE_PC_REQUIRES "Requires.private")
  set(KORVANE_PC_CFLAGS "")
else()
  set(KORVANE_PC_REQUIRES "Requires")
  set(KORVANE_PC_CFLAGS " -DKORVANE_STATIC_DEFINE -DKORVANE_FORMFILE_STATIC_DEFINE")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/korvane.pc.in ${PROJECT_BINARY_DIR}/korvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/korvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The package test: an install into a temporary prefix and the consumer
# project built and run against it. It needs the Qt part (the consumer's
# window) and a build not instrumented for the sanitizers (the consumer
# links without them).
if(KORVANE_BUILD_TESTS AND TARGET korvane_qt AND NOT KORVANE_SANITIZE)
  add_test(NAME package_consumer
    COMMAND ${CMAKE_COMMAND} -DBUILD=${PROJECT_BINARY_DIR} -DSOURCE=${PROJECT_SOURCE_DIR}/examples/consumer
      -DWORK=${PROJECT_BINARY_DIR}/package-consumer -DCXX=${CMAKE_CXX_COMPILER} -DBUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DLAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER} -DSHARED=${BUILD_SHARED_LIBS}
      -P ${PROJECT_SOURCE_DIR}/cmake/run_consumer.cmake)
endif()
