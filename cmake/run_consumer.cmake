# Keeps the package honest: installs the build into a fresh prefix, builds
# examples/consumer against it with find_package(Korvane COMPONENTS Qt) and
# runs its programs (the Qt ones offscreen; one loads a Designer form with
# the installed plugin), then compiles the headless example once more with
# nothing but pkg-config's flags for korvane.pc. The programs find the
# installed shared libraries as any program outside the system's folders
# does: through their rpath, never LD_LIBRARY_PATH.
#   -DBUILD= -DSOURCE= -DWORK= -DCXX= -DBUILD_TYPE= [-DLAUNCHER=] [-DSHARED=ON|OFF]
file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)

function(step label)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${label} failed (${rc}):\n${out}")
  endif()
  message(STATUS "${label}: ok\n${out}")
endfunction()

step("installing" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
foreach(installed include/korvane/ucvKorvane.h include/korvane/toolkit/qt.h include/korvane/version.h
    include/korvane/korvane_export.h include/korvane/korvane_formfile_export.h include/korvane/qt/korvane_qt_export.h)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "the install lacks ${installed}")
  endif()
endforeach()

set(configure_args -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=${BUILD_TYPE})
if(LAUNCHER)
  list(APPEND configure_args -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
endif()
step("configuring the consumer" ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/build ${configure_args})
step("building the consumer" ${CMAKE_COMMAND} --build ${WORK}/build)
step("the headless example" ${WORK}/build/headless_example)
set(ENV{QT_QPA_PLATFORM} offscreen)
step("the Qt window" ${WORK}/build/currency_form --quit)
if(NOT EXISTS ${WORK}/build/payment_form)
  message(FATAL_ERROR "the package names no Designer plugin (Korvane_DESIGNER_PLUGIN_DIR), so payment_form was not built")
endif()
# Static archives leave the plugin its own copy of the widget: the boxes it
# makes are no KorvaneBoxes to the program, so the form is only loaded from
# shared libraries.
if(NOT DEFINED SHARED OR SHARED)
  step("the Designer form through QUiLoader" ${WORK}/build/payment_form --quit)
endif()

# korvane.pc: the flags alone must compile and link the headless example.
file(GLOB_RECURSE pc_files ${prefix}/*/korvane.pc)
if(NOT pc_files)
  message(FATAL_ERROR "the install lacks korvane.pc")
endif()
get_filename_component(pc_dir "${pc_files}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND pkg-config --cflags --libs korvane RESULT_VARIABLE rc OUTPUT_VARIABLE flags
  ERROR_VARIABLE error OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config korvane failed: ${error}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
# The prefix is no system folder: the program is told where the shared
# libraries lie, as a real one built against such a prefix would be.
execute_process(COMMAND pkg-config --variable=libdir korvane RESULT_VARIABLE rc OUTPUT_VARIABLE libdir
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0 OR NOT IS_DIRECTORY "${libdir}")
  message(FATAL_ERROR "pkg-config names no library folder for korvane: '${libdir}'")
endif()
step("compiling with pkg-config's flags" ${LAUNCHER} ${CXX} -std=c++20 ${SOURCE}/headless_example.cpp ${flags}
  -Wl,-rpath,${libdir} -o ${WORK}/headless_pkg_config)
step("the headless example built with pkg-config" ${WORK}/headless_pkg_config)
