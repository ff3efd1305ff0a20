# Runs one example script through korvane-host against a registry of its
# own: registers the library, runs the script from the examples folder,
# compares everything it printed with the expected transcript, unregisters.
#   -DHOST= -DLIBRARY= -DSCRIPT= -DEXPECTED= -DWORK=
# The script's first lines may say "-- korvane-host: <options>" and
# "-- exit status: <n>" (default 0).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(ENV{KORVANE_REGISTRY} ${WORK}/registry.json)

execute_process(COMMAND ${HOST} --register ${LIBRARY}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "registering failed (${rc}): ${out}")
endif()

get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME)
set(options)
set(want_status 0)
file(STRINGS ${SCRIPT} header LIMIT_COUNT 5)
foreach(line IN LISTS header)
  if(line MATCHES "^-- korvane-host: (.*)$")
    separate_arguments(options UNIX_COMMAND "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^-- exit status: ([0-9]+)$")
    set(want_status ${CMAKE_MATCH_1})
  endif()
endforeach()

execute_process(COMMAND ${HOST} ${options} ${name}
  WORKING_DIRECTORY ${dir}
  RESULT_VARIABLE status OUTPUT_VARIABLE transcript ERROR_VARIABLE transcript)
file(WRITE ${WORK}/actual.txt "${transcript}")
file(READ ${EXPECTED} expected)
if(NOT transcript STREQUAL expected)
  message(FATAL_ERROR "${name}: the transcript differs from ${EXPECTED}; see ${WORK}/actual.txt\n"
    "--- got:\n${transcript}")
endif()
if(NOT status EQUAL want_status)
  message(FATAL_ERROR "${name}: exit status ${status}, expected ${want_status}\n${transcript}")
endif()

execute_process(COMMAND ${HOST} --unregister
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "unregistered")
  message(FATAL_ERROR "unregistering failed (${rc}): ${out}")
endif()
