# The desktop on Qt Quick (Korvane::Quick, libkorvane_quick), the QML module
# Korvane whose type KorvaneBox is the control as a QQuickItem, and their
# tests, offscreen. Skipped unless Qt 6 Quick is installed and the Qt
# Widgets desktop is built: the Quick face calls that face's conversions
# of text, fonts, colours and key codes (src/toolkit/qt/conversions.h).
# Source lists are in cmake/sources.cmake.
if(NOT TARGET korvane_qt)
  return()
endif()
find_package(Qt6 COMPONENTS Quick Qml QUIET)
if(NOT Qt6Quick_FOUND OR NOT Qt6Qml_FOUND)
  return()
endif()

# The face and the KorvaneBox item in one shared library; the QML module's
# plugin (korvane_quickplugin, in build/qml/Korvane beside its qmldir) only
# registers the item.
add_library(korvane_quick ${KORVANE_LIBRARY_TYPE} ${KORVANE_QUICK_SOURCES})
korvane_library(korvane_quick Quick HEADERS ${KORVANE_QUICK_HEADERS}
  EXPORT_HEADER korvane/quick/korvane_quick_export.h BASE_NAME KORVANE_QUICK)
set_target_properties(korvane_quick PROPERTIES AUTOMOC ON)
# The generated type registration includes the item's header by its name.
target_include_directories(korvane_quick PRIVATE ${PROJECT_SOURCE_DIR}/src/quick)
target_link_libraries(korvane_quick PUBLIC korvane Qt6::Quick PRIVATE korvane_qt)

set(KORVANE_QML_OUTPUT_DIR ${PROJECT_BINARY_DIR}/qml)
qt_add_qml_module(korvane_quick
  URI Korvane
  VERSION 1.0
  SOURCES ${KORVANE_QML_MODULE_SOURCES} src/quick/korvane_box_item.h
  OUTPUT_DIRECTORY ${KORVANE_QML_OUTPUT_DIR}/Korvane)

if(KORVANE_BUILD_TESTS)
  find_package(Qt6 COMPONENTS QuickTest Test QUIET)
  # The toolkit contract suite once more, against the Quick desktop on Qt's
  # offscreen platform with Qt Quick's software renderer, and the desktop's
  # own tests.
  set(KORVANE_QUICK_TEST_ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;QT_QUICK_BACKEND=software;QT_FONT_DPI=96;QT_SCALE_FACTOR=1;QT_ENABLE_HIGHDPI_SCALING=0;QML_IMPORT_PATH=${KORVANE_QML_OUTPUT_DIR}")
  add_executable(korvane_quick_tests ${KORVANE_QUICK_TEST_SOURCES})
  target_include_directories(korvane_quick_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(korvane_quick_tests PRIVATE korvane_quick korvane_contract_suite korvane_field_suite
    GTest::gtest Qt6::Test)
  # The accessibility tests load their forms from tests/quick/scenes.
  target_compile_definitions(korvane_quick_tests PRIVATE
    KORVANE_QUICK_SCENES="${PROJECT_SOURCE_DIR}/tests/quick/scenes")
  add_dependencies(korvane_quick_tests korvane_quickplugin)
  add_test(NAME quick_desktop_offscreen COMMAND korvane_quick_tests --gtest_filter=-QuickAtSpi*)
  set_tests_properties(quick_desktop_offscreen PROPERTIES ENVIRONMENT "${KORVANE_QUICK_TEST_ENVIRONMENT}")
  # A screen reader's walk over AT-SPI, on a private D-Bus session and X
  # server (AT-SPI needs Qt's X11 platform): the box beside Qt Quick
  # Controls' ComboBox, and what the reader hears in process.
  # Under the sanitizers it is left out, as the Qt desktop's is: on X, Qt
  # Quick's software renderer keeps the textures it made for a scene's
  # pictures (a ComboBox's indicator) in its own cache past the window. The
  # same accessibility tests run offscreen under the sanitizers above.
  if(NOT KORVANE_SANITIZE)
    add_test(NAME quick_atspi
             COMMAND bash ${PROJECT_SOURCE_DIR}/tests/qt/run_with_atspi.sh $<TARGET_FILE:korvane_quick_tests>
                     --gtest_filter=QuickAtSpi*:QuickAccessibility*)
    set_tests_properties(quick_atspi PROPERTIES
      SKIP_RETURN_CODE 77
      RESOURCE_LOCK korvane_x_server
      ENVIRONMENT "QT_QUICK_BACKEND=software;QML_IMPORT_PATH=${KORVANE_QML_OUTPUT_DIR}")
  endif()

  # The control-level suites (the ones korvane_tests runs on the headless
  # desktop) once more on the Quick desktop, with the Qt desktop's program
  # entry (the offscreen screen it sets up) and its input through Qt's
  # window-system entries, on a manual clock: no X server, no real time.
  # In the sanitizer build too.
  add_executable(korvane_quick_behaviour_tests ${KORVANE_QT_WINDOW_SYSTEM_TEST_SOURCES}
                                               ${KORVANE_QUICK_BEHAVIOUR_TEST_SOURCES})
  target_include_directories(korvane_quick_behaviour_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(korvane_quick_behaviour_tests PRIVATE korvane_quick korvane_qt korvane_behaviour_suite
                                                              GTest::gtest GTest::gmock)
  add_test(NAME quick_behaviour_offscreen COMMAND korvane_quick_behaviour_tests)
  set_tests_properties(quick_behaviour_offscreen PROPERTIES ENVIRONMENT "${KORVANE_QUICK_TEST_ENVIRONMENT}")
  # The cases about a screen too small for the drop-down, each in a program
  # whose screen has the size the case asks for.
  add_test(NAME quick_behaviour_offscreen_200_high
           COMMAND korvane_quick_behaviour_tests
                   --gtest_filter=DropDownPlacement.AboveButTallerThanTheRoomTheWindowStartsAtTheTop)
  add_test(NAME quick_behaviour_offscreen_100_high
           COMMAND korvane_quick_behaviour_tests
                   --gtest_filter=DropDownPlacement.AListThatFitsNeitherWayOpensBelowCutToWholeRows)
  set_tests_properties(quick_behaviour_offscreen_200_high PROPERTIES
    ENVIRONMENT "${KORVANE_QUICK_TEST_ENVIRONMENT};KORVANE_QT_SCREEN=1024x200")
  set_tests_properties(quick_behaviour_offscreen_100_high PROPERTIES
    ENVIRONMENT "${KORVANE_QUICK_TEST_ENVIRONMENT};KORVANE_QT_SCREEN=1024x100")

  # The QML module as a QML developer uses it: Qt Quick Test files in
  # tests/quick/qml, run offscreen.
  if(Qt6QuickTest_FOUND)
    add_executable(korvane_quick_qml_tests ${KORVANE_QUICK_QML_TEST_SOURCES})
    target_link_libraries(korvane_quick_qml_tests PRIVATE Qt6::QuickTest Qt6::Quick)
    target_compile_definitions(korvane_quick_qml_tests PRIVATE
      QUICK_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}/tests/quick/qml")
    add_dependencies(korvane_quick_qml_tests korvane_quickplugin)
    add_test(NAME quick_qml COMMAND korvane_quick_qml_tests -import ${KORVANE_QML_OUTPUT_DIR})
    set_tests_properties(quick_qml PROPERTIES ENVIRONMENT "${KORVANE_QUICK_TEST_ENVIRONMENT}")
  endif()
endif()

# KorvaneBox on Qt Quick beside Qt Quick Controls' ComboBox: filling, opening
# the drop-down and scrolling it (bench/quick), in a process of its own.
if(KORVANE_BUILD_BENCH)
  find_package(Qt6 COMPONENTS Test QUIET)
  add_executable(korvane_quick_bench ${KORVANE_QUICK_BENCH_SOURCES})
  target_include_directories(korvane_quick_bench PRIVATE ${PROJECT_SOURCE_DIR}/src/quick)
  target_link_libraries(korvane_quick_bench PRIVATE korvane_quick benchmark::benchmark Qt6::Qml Qt6::Test)
  if(KORVANE_BUILD_TESTS)
    # Once in the test run, alone: it fails when a subject did not do what
    # it was timed for; its table is kept in build/quick_bench.json. No
    # time is judged here.
    add_test(NAME quick_bench COMMAND korvane_quick_bench
             --benchmark_out=${PROJECT_BINARY_DIR}/quick_bench.json --benchmark_out_format=json)
    set_tests_properties(quick_bench PROPERTIES ENVIRONMENT "${KORVANE_QUICK_TEST_ENVIRONMENT}" RUN_SERIAL TRUE)
  endif()
endif()

# The Qt Quick demo (demo_quick): the three styles in a window, filled from
# JavaScript; with --screenshots it draws them offscreen into PNGs, which
# the test run does once. (QtTest sends its keys.)
find_package(Qt6 COMPONENTS Test QUIET)
if(NOT TARGET Qt6::Test)
  return()
endif()
add_executable(korvane-demo-quick ${KORVANE_DEMO_QUICK_SOURCES})
target_link_libraries(korvane-demo-quick PRIVATE Qt6::Quick Qt6::Qml Qt6::Test)
target_compile_definitions(korvane-demo-quick PRIVATE KORVANE_QML_BUILD_DIR="${KORVANE_QML_OUTPUT_DIR}")
qt_add_resources(korvane-demo-quick korvane_demo_quick_qml PREFIX /korvane/demo BASE demo_quick FILES demo_quick/Demo.qml)
add_dependencies(korvane-demo-quick korvane_quickplugin)
if(KORVANE_BUILD_TESTS)
  add_test(NAME quick_demo_screenshots
           COMMAND korvane-demo-quick --screenshots ${PROJECT_BINARY_DIR}/screenshots/demo-quick)
  set_tests_properties(quick_demo_screenshots PROPERTIES ENVIRONMENT "${KORVANE_QUICK_TEST_ENVIRONMENT}")
endif()
