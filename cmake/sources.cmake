# Every source file of the libraries, programs, tests and benchmarks, listed
# by folder. Lists are explicit so a target builds exactly what it names; a
# file left out of every list is caught at configure time below (and a new
# file makes CMake look again), so nothing is silently not built.

# --- Korvane::Core: the control and the headless desktop -------------------
set(KORVANE_CONTROL_SOURCES
  src/control/control.cpp
  src/control/current_row.cpp
  src/control/errors.cpp
  src/control/guards.cpp
  src/control/item_store.cpp
  src/control/row_index.cpp
  src/control/search.cpp
  src/control/search_index.cpp
  src/control/sort_keys.cpp
  src/control/sorting.cpp
  src/control/text.cpp)
set(KORVANE_PROPERTIES_SOURCES
  src/properties/appearance.cpp
  src/properties/persistence.cpp
  src/properties/styles.cpp)
set(KORVANE_INPUT_SOURCES
  src/input/embedded_list.cpp
  src/input/keyboard.cpp
  src/input/layout.cpp
  src/input/text_entry.cpp)
set(KORVANE_DROPDOWN_SOURCES
  src/dropdown/dropdown.cpp
  src/dropdown/focus_watcher.cpp
  src/dropdown/window.cpp)
set(KORVANE_SHELL_SOURCES
  src/shell/about.cpp
  src/shell/window_utils.cpp)
set(KORVANE_TOOLKIT_SOURCES
  src/toolkit/desktop.cpp
  src/toolkit/desktop_opener.cpp
  src/toolkit/property_bag.cpp
  src/toolkit/row_store.cpp)
# Files: atomic writing and safe reading, for form files and the registry.
set(KORVANE_FILES_SOURCES
  src/files/file_io.cpp)
# Text: the one UTF-8 decoder every part reads text with.
set(KORVANE_TEXT_SOURCES
  src/text/utf8.cpp)
# What both desktops decide alike: the widget tree, focus, list boxes, text.
set(KORVANE_MODEL_SOURCES
  src/toolkit/model/field_text.cpp
  src/toolkit/model/text.cpp)
set(KORVANE_HEADLESS_SOURCES
  src/toolkit/headless/button.cpp
  src/toolkit/headless/desktop.cpp
  src/toolkit/headless/focus.cpp
  src/toolkit/headless/fonts.cpp
  src/toolkit/headless/input.cpp
  src/toolkit/headless/list_box.cpp
  src/toolkit/headless/text_box.cpp
  src/toolkit/headless/widgets.cpp)
set(KORVANE_CORE_HEADERS
  include/korvane/errors.h
  include/korvane/events.h
  include/korvane/style.h
  include/korvane/ucvKorvane.h
  include/korvane/toolkit/desktop.h
  include/korvane/toolkit/desktop_opener.h
  include/korvane/toolkit/headless.h
  include/korvane/toolkit/property_bag.h
  include/korvane/toolkit/types.h
  include/korvane/toolkit/widgets.h)

# --- Korvane::FormFile: form files in JSON ---------------------------------
set(KORVANE_FORM_FILE_SOURCES
  src/properties/form_file.cpp
  src/properties/form_file_text.cpp)
set(KORVANE_FORM_FILE_HEADERS
  include/korvane/form_file.h)

# --- Korvane::Qt: the desktop over Qt 6 Widgets ----------------------------
set(KORVANE_QT_SOURCES
  src/toolkit/qt/accessibility.cpp
  src/toolkit/qt/accessible_combo_box.cpp
  src/toolkit/qt/accessible_events.cpp
  src/toolkit/qt/accessible_parts.cpp
  src/toolkit/qt/accessible_rows.cpp
  src/toolkit/qt/button.cpp
  src/toolkit/qt/clock.cpp
  src/toolkit/qt/combo_reading.cpp
  src/toolkit/qt/desktop.cpp
  src/toolkit/qt/host_calls.cpp
  src/toolkit/qt/focus.cpp
  src/toolkit/qt/fonts.cpp
  src/toolkit/qt/input.cpp
  src/toolkit/qt/list_box.cpp
  src/toolkit/qt/opener.cpp
  src/toolkit/qt/field_editing.cpp
  src/toolkit/qt/field_editor.cpp
  src/toolkit/qt/field_view.cpp
  src/toolkit/qt/field_widget.cpp
  src/toolkit/qt/text_box.cpp
  src/toolkit/qt/widgets.cpp)
set(KORVANE_QT_HEADERS
  include/korvane/toolkit/qt.h)

# --- Korvane::Component: type information, late-bound calls, registry ------
set(KORVANE_COMPONENT_SOURCES
  src/component/coerce.cpp
  src/component/control_object.cpp
  src/component/json_text.cpp
  src/component/registration.cpp
  src/component/registry.cpp
  src/component/type_info.cpp)
set(KORVANE_COMPONENT_HEADERS
  include/korvane/component/dispatch.h
  include/korvane/component/entry_points.h
  include/korvane/component/ids.h
  include/korvane/component/registry.h
  include/korvane/component/type_info.h)
# The loadable control library: its entry points only.
set(KORVANE_CONTROL_MODULE_SOURCES
  src/component/entry_points.cpp)
set(KORVANE_HOST_SOURCES
  src/component/host/control_binding.cpp
  src/component/host/desktop_binding.cpp
  src/component/host/font_binding.cpp
  src/component/host/lua_binding.cpp
  src/component/host/sandbox.cpp
  src/component/host/watchdog.cpp
  src/component/host/script_values.cpp
  src/component/host/main.cpp)

# --- programs -------------------------------------------------------------
set(KORVANE_DEMO_SOURCES demo/main.cpp)
set(KORVANE_DEMO_QT_SOURCES demo_qt/main.cpp)
set(KORVANE_DEMO_QUICK_SOURCES demo_quick/main.cpp)

# --- tests and benchmarks --------------------------------------------------
# The control-level suites, written against the test driver (tests/driver.h)
# and compiled once: korvane_tests runs them on the headless desktop,
# korvane_qt_behaviour_tests on the Qt desktop and
# korvane_quick_behaviour_tests on the Qt Quick desktop.
set(KORVANE_BEHAVIOUR_TEST_SOURCES
  tests/about_test.cpp
  tests/appearance_test.cpp
  tests/boundaries_test.cpp
  tests/current_row_test.cpp
  tests/dropdown_test.cpp
  tests/embedded_list_test.cpp
  tests/form_file_test.cpp
  tests/hostile_use_test.cpp
  tests/keyboard_test.cpp
  tests/layout_test.cpp
  tests/persistence_test.cpp
  tests/reentrancy_test.cpp
  tests/rows_test.cpp
  tests/search_test.cpp
  tests/sorting_test.cpp
  tests/styles_test.cpp
  tests/text_entry_test.cpp)
# The headless test program: the driver over the headless desktop, and the
# suites that are about the headless desktop itself or need no desktop.
set(KORVANE_TEST_SOURCES
  tests/desktop_opener_test.cpp
  tests/headless_desktop_test.cpp
  tests/headless_driver.cpp
  tests/random_use_test.cpp
  tests/text_rules_test.cpp
  tests/contract_on_headless.cpp)
# The test program's operator delete that scribbles over freed memory
# (outside the sanitizer build).
set(KORVANE_FREED_MEMORY_TEST_SOURCES
  tests/freed_memory.cpp)
# The toolkit contract suite, instantiated by each desktop's tests.
set(KORVANE_CONTRACT_TEST_SOURCES
  tests/contract/toolkit_contract_test.cpp)
set(KORVANE_COMPONENT_TEST_SOURCES
  tests/component/api_doc_test.cpp
  tests/component/dispatch_test.cpp
  tests/component/registry_test.cpp
  tests/component/type_info_test.cpp)
# The field editing suite, built once and played on both Qt faces
# (tests/qt/field_on_qt.cpp, tests/quick/field_on_quick.cpp).
set(KORVANE_FIELD_TEST_SOURCES
  tests/field/field_editing_test.cpp)
# tests/qt/contract_on_qt.cpp instantiates the toolkit contract suite for
# the Qt desktop.
set(KORVANE_QT_TEST_SOURCES
  tests/qt/accessibility_test.cpp
  tests/qt/contract_on_qt.cpp
  tests/qt/end_to_end_test.cpp
  tests/qt/field_on_qt.cpp
  tests/qt/hostile_text_test.cpp
  tests/qt/main.cpp
  tests/qt/qt_desktop_test.cpp
  tests/qt/random_use_on_qt_test.cpp
  tests/qt/readme_example_test.cpp
  tests/qt/right_to_left_test.cpp)
# KorvaneBox, the Qt widget, its tests and its Designer plugin (built by
# cmake/qt_widget.cmake when Qt is found; listed here in every build).
# The control-level suites on the two Qt desktops, offscreen: the program's
# entry and the person's mouse and keys through Qt's window-system entries,
# which both share, then the driver over the Qt desktop.
set(KORVANE_QT_WINDOW_SYSTEM_TEST_SOURCES
  tests/qt/behaviour_main.cpp
  tests/qt/window_system_driver.cpp)
set(KORVANE_QT_BEHAVIOUR_TEST_SOURCES
  tests/qt/qt_driver.cpp)
set(KORVANE_QT_WIDGET_SOURCES
  src/qt_widget/find_text.cpp
  src/qt_widget/find_text.h
  src/qt_widget/korvane_box.cpp
  src/qt_widget/korvane_box_members.cpp
  src/qt_widget/korvane_box_p.h
  src/qt_widget/korvane_box_signals.cpp)
set(KORVANE_QT_WIDGET_TEST_SOURCES
  tests/qt_widget/change_signals_test.cpp
  tests/qt_widget/combo_box_api_test.cpp
  tests/qt_widget/in_a_dialog_test.cpp
  tests/qt_widget/korvane_box_test.cpp
  tests/qt_widget/search_test.cpp
  tests/qt_widget/shared_desktop_test.cpp
  tests/qt_widget/ui_form_test.cpp)
set(KORVANE_DESIGNER_SOURCES
  src/qt_widget/designer/korvane_box_plugin.cpp)
# The Qt Quick face, the QML module Korvane and their tests (built by
# cmake/quick.cmake when Qt 6 Quick is found; listed here in every build).
set(KORVANE_QUICK_SOURCES
  src/toolkit/quick/accessibility.cpp
  src/toolkit/quick/accessible_combo_box.cpp
  src/toolkit/quick/accessible_events.cpp
  src/toolkit/quick/accessible_forms.cpp
  src/toolkit/quick/accessible_parts.cpp
  src/toolkit/quick/accessible_rows.cpp
  src/toolkit/quick/desktop.cpp
  src/toolkit/quick/field_item.cpp
  src/toolkit/quick/forms.cpp
  src/toolkit/quick/host_calls.cpp
  src/toolkit/quick/input.cpp
  src/toolkit/quick/list_box.cpp
  src/toolkit/quick/text_box.cpp
  src/toolkit/quick/widgets.cpp
  src/toolkit/quick/window_functions.cpp)
set(KORVANE_QUICK_HEADERS
  include/korvane/toolkit/quick.h)
set(KORVANE_QML_MODULE_SOURCES
  src/quick/korvane_box_item.cpp
  src/quick/korvane_box_item_p.h
  src/quick/korvane_box_properties.cpp
  src/quick/korvane_box_rows.cpp
  src/quick/korvane_box_window.cpp)
set(KORVANE_QUICK_TEST_SOURCES
  tests/quick/accessibility_on_quick_test.cpp
  tests/quick/contract_on_quick.cpp
  tests/quick/field_on_quick.cpp
  tests/quick/korvane_box_item_test.cpp
  tests/quick/main.cpp
  tests/quick/quick_desktop_test.cpp)
# The control-level suites on the Qt Quick desktop: the driver over it
# (with KORVANE_QT_WINDOW_SYSTEM_TEST_SOURCES).
set(KORVANE_QUICK_BEHAVIOUR_TEST_SOURCES
  tests/quick/quick_driver.cpp)
set(KORVANE_QUICK_QML_TEST_SOURCES
  tests/quick/qml_tests.cpp)
set(KORVANE_BENCH_SOURCES
  bench/fill_bench.cpp
  bench/rows_bench.cpp
  bench/search_bench.cpp
  bench/sort_bench.cpp)
set(KORVANE_QT_BENCH_SOURCES
  bench/qt/qt_form_bench.cpp
  bench/qt/qt_rows_bench.cpp
  bench/qt/qt_search_bench.cpp)
set(KORVANE_QUICK_BENCH_SOURCES
  bench/quick/quick_bench.cpp)
# Built by scripts/fuzz.sh with clang, not by CMake (each target with the
# sources its fuzz/*.sources file names).
set(KORVANE_FUZZ_SOURCES
  fuzz/form_file_fuzz.cpp
  fuzz/late_bound_fuzz.cpp
  fuzz/registry_fuzz.cpp)

# Other files under cmake/ may keep lists of their own: every variable
# named KORVANE_..._SOURCES counts as a list (paths relative to the root or
# absolute).

# Fails the configuration when a .cpp file under one of the project's
# folders is in no list above: a file added without its list entry would
# otherwise be skipped without a word.
function(korvane_check_listed_sources)
  file(GLOB_RECURSE present CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
    ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/bench/*.cpp
    ${PROJECT_SOURCE_DIR}/demo/*.cpp ${PROJECT_SOURCE_DIR}/demo_qt/*.cpp ${PROJECT_SOURCE_DIR}/demo_quick/*.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/*.cpp)
  set(listed)
  get_cmake_property(variables VARIABLES)
  foreach(variable IN LISTS variables)
    if(variable MATCHES "^KORVANE_.*_SOURCES$")
      foreach(file IN LISTS ${variable})
        if(IS_ABSOLUTE ${file})
          file(RELATIVE_PATH file ${PROJECT_SOURCE_DIR} ${file})
        endif()
        list(APPEND listed ${file})
      endforeach()
    endif()
  endforeach()
  set(missing)
  foreach(file IN LISTS present)
    if(NOT file IN_LIST listed)
      list(APPEND missing ${file})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing "\n  " missing_text)
    message(FATAL_ERROR "These source files are in no source list; add each to its folder's list in "
      "cmake/sources.cmake:\n  ${missing_text}")
  endif()
endfunction()
