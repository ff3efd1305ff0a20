# The component layer: type information, late-bound calls and the event
# sink by number (Korvane::Component, libkorvane_component); the
# self-registering loadable library libkorvane-control.so; the scripting
# host korvane-host; and their tests.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LUA REQUIRED IMPORTED_TARGET lua5.4)

# A static library in every build, compiled once (korvane_component_objects)
# for both itself and the loadable control library.
add_library(korvane_component_objects OBJECT ${KORVANE_COMPONENT_SOURCES})
korvane_objects(korvane_component_objects korvane_component)
target_link_libraries(korvane_component_objects PRIVATE nlohmann_json::nlohmann_json)
add_library(korvane_component STATIC $<TARGET_OBJECTS:korvane_component_objects>)
korvane_library(korvane_component Component HEADERS ${KORVANE_COMPONENT_HEADERS})
target_link_libraries(korvane_component PUBLIC korvane
  PRIVATE $<BUILD_INTERFACE:nlohmann_json::nlohmann_json> ${CMAKE_DL_LIBS})

# libkorvane-control.so, the control as a loadable library: hosts find it
# through the registry and load it by path, so it is never linked with -l
# and its name differs from libkorvane.so, which programs link. It carries
# its own copy of the control and the component layer (the static archive of
# the core's objects, and the component's objects), so loading it never
# brings in libkorvane.so: a host with another version of the package
# beside it, or none, gets the control it registered. Only the four entry
# points are visible; the version script also hides everything the copied
# objects bring along. It has no soname: the registry records its path, and
# a versioned file name would go stale with every update.
add_library(korvane_shared SHARED ${KORVANE_CONTROL_MODULE_SOURCES} $<TARGET_OBJECTS:korvane_component_objects>)
target_link_libraries(korvane_shared PRIVATE korvane_core_archive ${CMAKE_DL_LIBS})
target_include_directories(korvane_shared PRIVATE ${PROJECT_SOURCE_DIR}/src)
set_target_properties(korvane_shared PROPERTIES
  OUTPUT_NAME korvane-control
  NO_SONAME ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${PROJECT_SOURCE_DIR}/src/component/exports.map)
target_link_options(korvane_shared PRIVATE
  -Wl,--version-script=${PROJECT_SOURCE_DIR}/src/component/exports.map -Wl,--no-undefined)

# The scripting host reaches the control only through the shared library,
# found through the registry; it links the headless desktop and the
# registry reader, never the control.
add_executable(korvane-host ${KORVANE_HOST_SOURCES})
target_include_directories(korvane-host PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvane-host PRIVATE korvane_component korvane_form_file PkgConfig::LUA ${CMAKE_DL_LIBS})
add_dependencies(korvane-host korvane_shared)
korvane_install_rpath(korvane-host ${CMAKE_INSTALL_BINDIR})

if(KORVANE_BUILD_TESTS)
  add_executable(korvane_component_tests ${KORVANE_COMPONENT_TEST_SOURCES})
  target_include_directories(korvane_component_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(korvane_component_tests PRIVATE korvane_component nlohmann_json::nlohmann_json
    GTest::gtest GTest::gtest_main GTest::gmock ${CMAKE_DL_LIBS})
  target_compile_definitions(korvane_component_tests PRIVATE
    KORVANE_SHARED_LIBRARY="$<TARGET_FILE:korvane_shared>"
    KORVANE_API_PAGE="${PROJECT_SOURCE_DIR}/docs/api.md")
  add_dependencies(korvane_component_tests korvane_shared)
  gtest_discover_tests(korvane_component_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "KORVANE_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/component-test-registry.json")

  # What the binaries export and contain.
  if(CMAKE_NM)
    add_test(NAME component_symbols
      COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DOBJDUMP=${CMAKE_OBJDUMP} -DLIBRARY=$<TARGET_FILE:korvane_shared>
        -DHOST=$<TARGET_FILE:korvane-host> -P ${PROJECT_SOURCE_DIR}/cmake/check_component_symbols.cmake)
  endif()

  # The host against bad set-ups and hostile scripts, and a whole
  # design-save-run round.
  add_test(NAME host_bad_setups
    COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:korvane-host> -DLIBRARY=$<TARGET_FILE:korvane_shared>
      -DWORK=${CMAKE_CURRENT_BINARY_DIR}/host-bad-setups -P ${PROJECT_SOURCE_DIR}/cmake/run_host_failures.cmake)
  add_test(NAME host_hostile_scripts
    COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:korvane-host> -DLIBRARY=$<TARGET_FILE:korvane_shared>
      -DSCRIPTS=${PROJECT_SOURCE_DIR}/tests/component/hostile -DWORK=${CMAKE_CURRENT_BINARY_DIR}/host-hostile
      -P ${PROJECT_SOURCE_DIR}/cmake/run_host_hostile.cmake)
  add_test(NAME host_round_trip
    COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:korvane-host> -DLIBRARY=$<TARGET_FILE:korvane_shared>
      -DWORK=${CMAKE_CURRENT_BINARY_DIR}/host-round-trip -P ${PROJECT_SOURCE_DIR}/cmake/run_host_round_trip.cmake)

  # Each example script runs through the host against a registry of its own
  # and its output is compared with the expected transcript beside it.
  file(GLOB KORVANE_EXAMPLES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.lua)
  foreach(script ${KORVANE_EXAMPLES})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME example_${name}
      COMMAND ${CMAKE_COMMAND}
        -DHOST=$<TARGET_FILE:korvane-host>
        -DLIBRARY=$<TARGET_FILE:korvane_shared>
        -DSCRIPT=${script}
        -DEXPECTED=${PROJECT_SOURCE_DIR}/examples/${name}.expected
        -DWORK=${CMAKE_CURRENT_BINARY_DIR}/examples/${name}
        -P ${PROJECT_SOURCE_DIR}/cmake/run_example.cmake)
  endforeach()
endif()
