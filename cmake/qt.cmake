# The desktop on a real screen (Qt 6 Widgets), its demo and its tests. All
# of it is skipped when Qt is not installed, so the rest never needs Qt.
# Under the sanitizers only the Qt desktop's own tests run, on Qt's
# offscreen platform (see the end of this file).
find_package(Qt6 COMPONENTS Widgets QUIET)
if(NOT Qt6_FOUND)
  return()
endif()

# Korvane::Qt (libkorvane_qt): Qt is public, the widgets a host embeds are
# Qt widgets.
add_library(korvane_qt ${KORVANE_LIBRARY_TYPE} ${KORVANE_QT_SOURCES})
korvane_library(korvane_qt Qt HEADERS ${KORVANE_QT_HEADERS}
  EXPORT_HEADER korvane/qt/korvane_qt_export.h BASE_NAME KORVANE_QT)
# xcb: the pointer's exact screen position above 100 % (src/toolkit/qt/input.cpp).
target_link_libraries(korvane_qt PUBLIC korvane Qt6::Widgets PRIVATE xcb)

# The field editing suite (tests/field), built once: the Qt Widgets and the
# Qt Quick test programs each play it on their face's text box, with keys
# sent through QTest.
if(KORVANE_BUILD_TESTS)
  find_package(Qt6 COMPONENTS Test REQUIRED)
  add_library(korvane_field_suite OBJECT ${KORVANE_FIELD_TEST_SOURCES})
  target_include_directories(korvane_field_suite PUBLIC ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(korvane_field_suite PUBLIC korvane Qt6::Gui Qt6::Test GTest::gtest)
endif()

add_executable(korvane-demo-qt ${KORVANE_DEMO_QT_SOURCES})
target_link_libraries(korvane-demo-qt PRIVATE korvane_qt)

# The control-level suites (the ones korvane_tests runs on the headless
# desktop) once more on the Qt desktop, on Qt's offscreen platform with a
# manual clock: no X server, no real time. The program sets its platform
# up itself (tests/qt/behaviour_main.cpp).
function(korvane_qt_behaviour_tests)
  add_executable(korvane_qt_behaviour_tests ${KORVANE_QT_WINDOW_SYSTEM_TEST_SOURCES}
                                            ${KORVANE_QT_BEHAVIOUR_TEST_SOURCES})
  target_include_directories(korvane_qt_behaviour_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(korvane_qt_behaviour_tests PRIVATE korvane_qt korvane_behaviour_suite GTest::gtest GTest::gmock)
  add_test(NAME qt_behaviour_offscreen COMMAND $<TARGET_FILE:korvane_qt_behaviour_tests>)
  # The cases about a screen too small for the drop-down, each in a program
  # whose screen has the size the case asks for.
  add_test(NAME qt_behaviour_offscreen_200_high
           COMMAND $<TARGET_FILE:korvane_qt_behaviour_tests>
                   --gtest_filter=DropDownPlacement.AboveButTallerThanTheRoomTheWindowStartsAtTheTop)
  add_test(NAME qt_behaviour_offscreen_100_high
           COMMAND $<TARGET_FILE:korvane_qt_behaviour_tests>
                   --gtest_filter=DropDownPlacement.AListThatFitsNeitherWayOpensBelowCutToWholeRows)
  set_tests_properties(qt_behaviour_offscreen_200_high PROPERTIES ENVIRONMENT "KORVANE_QT_SCREEN=1024x200")
  set_tests_properties(qt_behaviour_offscreen_100_high PROPERTIES ENVIRONMENT "KORVANE_QT_SCREEN=1024x100")
endfunction()

# Under the sanitizers: the Qt desktop's tests on the offscreen platform,
# leaving out what needs a real X server (input from outside, a screen
# reader's bus, restacking windows). Leaks that are Qt's or the X
# libraries' own are suppressed in scripts/lsan.supp.
if(KORVANE_SANITIZE)
  include(${PROJECT_SOURCE_DIR}/cmake/qt_widget.cmake)
  if(KORVANE_BUILD_TESTS)
    add_executable(korvane_qt_tests ${KORVANE_QT_TEST_SOURCES})
    target_include_directories(korvane_qt_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/qt ${PROJECT_SOURCE_DIR}/tests
                                                        ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(korvane_qt_tests PRIVATE korvane_qt korvane_contract_suite korvane_field_suite GTest::gtest
      GTest::gmock)
    add_test(NAME qt_desktop_offscreen
             COMMAND $<TARGET_FILE:korvane_qt_tests>
                     --gtest_filter=-EndToEnd*:AtSpi*:QtAccessibility*:*SetWindowPosWithNoMoveNoSizeOnlyRestacks*)
    set_tests_properties(qt_desktop_offscreen PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_FONT_DPI=96;QT_SCALE_FACTOR=1;QT_ENABLE_HIGHDPI_SCALING=0")
    korvane_qt_behaviour_tests()
  endif()
  return()
endif()

if(KORVANE_BUILD_TESTS)
  korvane_qt_behaviour_tests()
  # The toolkit contract suite runs here once more, against the Qt desktop
  # (tests/qt/contract_on_qt.cpp instantiates it).
  add_executable(korvane_qt_tests ${KORVANE_QT_TEST_SOURCES})
  target_include_directories(korvane_qt_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/qt ${PROJECT_SOURCE_DIR}/tests
                                                      ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(korvane_qt_tests PRIVATE korvane_qt korvane_contract_suite korvane_field_suite GTest::gtest
      GTest::gmock)
  # Tests on a real X server: a private Xvfb per run; skipped (not failed)
  # where none can be started. Screenshots go into the build folder.
  set(KORVANE_QT_RUN ${PROJECT_SOURCE_DIR}/tests/qt/run_under_xvfb.sh)
  add_test(NAME qt_desktop
           COMMAND bash ${KORVANE_QT_RUN} $<TARGET_FILE:korvane_qt_tests> --gtest_filter=-EndToEnd*:AtSpi*)
  # A screen reader's walk over AT-SPI, on a private D-Bus session.
  add_test(NAME qt_atspi
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/qt/run_with_atspi.sh $<TARGET_FILE:korvane_qt_tests>
                   --gtest_filter=AtSpi*:QtAccessibility*:QtField.AScreenReader*)
  add_test(NAME qt_end_to_end
           COMMAND bash ${KORVANE_QT_RUN} $<TARGET_FILE:korvane_qt_tests> --gtest_filter=EndToEnd*)
  add_test(NAME qt_demo_screenshots
           COMMAND bash ${KORVANE_QT_RUN} $<TARGET_FILE:korvane-demo-qt> --screenshots
                   ${PROJECT_BINARY_DIR}/screenshots/demo)
  set_tests_properties(qt_desktop qt_end_to_end qt_atspi qt_demo_screenshots PROPERTIES
    SKIP_RETURN_CODE 77
    RESOURCE_LOCK korvane_x_server
    ENVIRONMENT "KORVANE_SCREENSHOTS=${PROJECT_BINARY_DIR}/screenshots")
  # The demo once more in a right-to-left application (Qt's -reverse).
  add_test(NAME qt_demo_screenshots_right_to_left
           COMMAND bash ${KORVANE_QT_RUN} $<TARGET_FILE:korvane-demo-qt> -reverse --screenshots
                   ${PROJECT_BINARY_DIR}/screenshots/demo-right-to-left)
  # A program of ours whose X server goes away ends with a message.
  add_test(NAME qt_lost_screen
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/qt/lost_screen.sh "Korvane demo" $<TARGET_FILE:korvane-demo-qt>)
  set_tests_properties(qt_demo_screenshots_right_to_left qt_lost_screen PROPERTIES
    SKIP_RETURN_CODE 77
    RESOURCE_LOCK korvane_x_server
    ENVIRONMENT "KORVANE_SCREENSHOTS=${PROJECT_BINARY_DIR}/screenshots")
  # Where the pointer is, what the X server shows of the drop-down and where
  # it opens, once more at twice the scale: one pixel of a widget is two of
  # the screen.
  add_test(NAME qt_at_twice_the_scale
           COMMAND bash ${KORVANE_QT_RUN} $<TARGET_FILE:korvane_qt_tests>
                   --gtest_filter=EndToEnd.HoverPicks*:EndToEnd.TheXServerShows*:EndToEndReadme*)
  set_tests_properties(qt_at_twice_the_scale PROPERTIES
    SKIP_RETURN_CODE 77
    RESOURCE_LOCK korvane_x_server
    ENVIRONMENT "KORVANE_QT_SCALE=2")
endif()

# The rows-at-scale benchmarks on the Qt desktop, offscreen, beside Qt's own
# models in the same process.
if(KORVANE_BUILD_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(korvane_qt_bench ${KORVANE_QT_BENCH_SOURCES})
  target_include_directories(korvane_qt_bench PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(korvane_qt_bench PRIVATE korvane_qt benchmark::benchmark)
endif()

# The control as a Qt widget and its Designer plugin.
include(${PROJECT_SOURCE_DIR}/cmake/qt_widget.cmake)
