# Hostile scripts through korvane-host: each script in tests/component/hostile
# says in its first lines the options to run it with ("-- korvane-host:"),
# the exit status it must end with ("-- exit status:") and a pattern its
# output must match ("-- output:"), and for a script that proves a limit
# ends it, the seconds of wall-clock time it must end within ("-- within:";
# else 120). Whatever a script does, the host ends with that status and a
# Lua error, never a crash or a sanitizer report.
#   -DHOST= -DLIBRARY= -DSCRIPTS= -DWORK=
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(ENV{KORVANE_REGISTRY} ${WORK}/registry.json)
execute_process(COMMAND ${HOST} --register ${LIBRARY} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "registering failed (${rc}): ${out}")
endif()

file(GLOB scripts ${SCRIPTS}/*.lua)
set(failures "")
foreach(script IN LISTS scripts)
  get_filename_component(name ${script} NAME)
  set(options)
  set(want_status 0)
  set(pattern "")
  set(within 120)
  file(STRINGS ${script} header LIMIT_COUNT 6)
  foreach(line IN LISTS header)
    if(line MATCHES "^-- korvane-host: (.*)$")
      separate_arguments(options UNIX_COMMAND "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^-- exit status: ([0-9]+)$")
      set(want_status ${CMAKE_MATCH_1})
    elseif(line MATCHES "^-- output: (.*)$")
      set(pattern "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^-- within: ([0-9]+)$")
      set(within ${CMAKE_MATCH_1})
    endif()
  endforeach()
  execute_process(COMMAND ${HOST} ${options} ${script} WORKING_DIRECTORY ${WORK} TIMEOUT ${within}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  # Newlines would stop "." in the pattern.
  string(REPLACE "\n" " " flat "${out}")
  if(NOT rc STREQUAL want_status)
    string(APPEND failures "${name}: exit status ${rc} (expected ${want_status}, within ${within} s)\n${out}\n")
  elseif(NOT flat MATCHES "${pattern}")
    string(APPEND failures "${name}: output does not match ${pattern}\n${out}\n")
  elseif(out MATCHES "Sanitizer|runtime error:")
    string(APPEND failures "${name}: a sanitizer report\n${out}\n")
  endif()
endforeach()
list(LENGTH scripts count)
if(count EQUAL 0)
  message(FATAL_ERROR "no scripts in ${SCRIPTS}")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "${count} hostile scripts ended as expected")
