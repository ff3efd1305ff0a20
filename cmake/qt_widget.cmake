# KorvaneBox as a Qt widget (include/korvane/qt/), its tests, and the Qt
# Designer plugin when Qt's Designer and UiPlugin modules are installed.
# Included from cmake/qt.cmake once the Qt desktop's target exists.
# Its source lists are in cmake/sources.cmake.
# The widget is part of Korvane::Qt, so an installed package hands it to a
# Qt program with the desktop it runs on; korvane_qt_widget names it here.
target_sources(korvane_qt PRIVATE ${KORVANE_QT_WIDGET_SOURCES}
  PUBLIC FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR}/include FILES include/korvane/qt/KorvaneBox.h)
set_target_properties(korvane_qt PROPERTIES AUTOMOC ON)
add_library(korvane_qt_widget ALIAS korvane_qt)
# Under the sanitizers the widget is only built, for the Qt desktop's tests
# that use it (cmake/qt.cmake).
if(KORVANE_SANITIZE)
  return()
endif()

if(KORVANE_BUILD_TESTS)
  add_executable(korvane_qt_widget_tests
    ${PROJECT_SOURCE_DIR}/tests/qt/main.cpp
    ${PROJECT_SOURCE_DIR}/tests/qt_widget/korvane_box_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/qt_widget/change_signals_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/qt_widget/combo_box_api_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/qt_widget/in_a_dialog_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/qt_widget/shared_desktop_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/qt_widget/search_test.cpp)
  target_include_directories(korvane_qt_widget_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/qt ${PROJECT_SOURCE_DIR}/tests)
  find_package(Qt6 COMPONENTS Test REQUIRED)
  target_link_libraries(korvane_qt_widget_tests PRIVATE korvane_qt_widget Qt6::Test GTest::gtest GTest::gmock)
  add_test(NAME qt_widget
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/qt/run_under_xvfb.sh $<TARGET_FILE:korvane_qt_widget_tests>)
  set_tests_properties(qt_widget PROPERTIES
    SKIP_RETURN_CODE 77
    RESOURCE_LOCK korvane_x_server
    ENVIRONMENT "KORVANE_SCREENSHOTS=${PROJECT_BINARY_DIR}/screenshots")
endif()

# The Designer plugin: Designer and QUiLoader load it from the folder
# designer/ of the build tree (Designer: QT_PLUGIN_PATH=<build>). It links
# the widget's shared library, so a box a QUiLoader makes in a program that
# links Korvane::Qt as well is that program's KorvaneBox: one class, one
# meta-object, qobject_cast and findChild<KorvaneBox*> find it. Only the
# component layer (the tool tips' type information) is a static copy, kept
# private to the plugin.
find_package(Qt6 QUIET COMPONENTS Designer UiPlugin UiTools)
if(TARGET Qt6::Designer AND TARGET Qt6::UiPlugin)
  add_library(korvane_designer MODULE
    ${PROJECT_SOURCE_DIR}/src/qt_widget/designer/korvane_box_plugin.h
    ${PROJECT_SOURCE_DIR}/src/qt_widget/designer/korvane_box_plugin.cpp)
  set_target_properties(korvane_designer PROPERTIES
    AUTOMOC ON
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/designer)
  target_link_libraries(korvane_designer PRIVATE korvane_qt_widget Qt6::UiPlugin)
  if(NOT BUILD_SHARED_LIBS)
    # A static build has no widget library to share: the plugin carries its
    # own copy, kept private so it never meets a program's copy, and its
    # boxes are QWidgets to the program, not KorvaneBoxes.
    target_link_options(korvane_designer PRIVATE -Wl,--exclude-libs,ALL)
  endif()
  # Installed where Qt's own Designer plugins live (KORVANE_DESIGNER_INSTALL_DIR).
  install(TARGETS korvane_designer LIBRARY DESTINATION ${KORVANE_DESIGNER_INSTALL_DIR})
  korvane_install_rpath(korvane_designer ${KORVANE_DESIGNER_INSTALL_DIR})
  # The property editor's tool tips come from the control's type information.
  if(KORVANE_BUILD_COMPONENT)
    target_link_libraries(korvane_designer PRIVATE korvane_component)
    target_link_options(korvane_designer PRIVATE -Wl,--exclude-libs,$<TARGET_FILE_NAME:korvane_component>)
    target_compile_definitions(korvane_designer PRIVATE KORVANE_DESIGNER_HELP=1)
  endif()

  if(KORVANE_BUILD_TESTS AND TARGET Qt6::UiTools)
    # A form with two KorvaneBoxes, compiled by uic into the test program
    # and loaded at run time by QUiLoader from the plugin built here.
    add_executable(korvane_ui_form_tests
      ${PROJECT_SOURCE_DIR}/tests/qt/main.cpp
      ${PROJECT_SOURCE_DIR}/tests/qt_widget/ui_form_test.cpp
      ${PROJECT_SOURCE_DIR}/tests/qt_widget/two_boxes.ui)
    set_target_properties(korvane_ui_form_tests PROPERTIES AUTOUIC ON)
    target_include_directories(korvane_ui_form_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(korvane_ui_form_tests PRIVATE
      KORVANE_DESIGNER_DIR="${PROJECT_BINARY_DIR}/designer"
      KORVANE_DESIGNER_PLUGIN="$<TARGET_FILE:korvane_designer>"
      KORVANE_TEST_FORM="${PROJECT_SOURCE_DIR}/tests/qt_widget/two_boxes.ui"
      KORVANE_CONTROL_NAMES_FORM="${PROJECT_SOURCE_DIR}/tests/qt_widget/control_names.ui"
      KORVANE_SHARED_WIDGET=$<BOOL:${BUILD_SHARED_LIBS}>)
    target_link_libraries(korvane_ui_form_tests PRIVATE korvane_qt_widget Qt6::UiTools Qt6::UiPlugin
                                                        GTest::gtest GTest::gmock)
    add_dependencies(korvane_ui_form_tests korvane_designer)
    if(KORVANE_BUILD_COMPONENT)
      target_compile_definitions(korvane_ui_form_tests PRIVATE KORVANE_DESIGNER_HELP=1)
    endif()
    add_test(NAME qt_ui_forms COMMAND korvane_ui_form_tests)
    set_tests_properties(qt_ui_forms PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endif()
