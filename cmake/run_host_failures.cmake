# korvane-host against bad set-ups: each gives a clear message and an exit
# status, and leaves the registry as it was.
#   -DHOST= -DLIBRARY= -DWORK=
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(registry ${WORK}/registry.json)
set(ENV{KORVANE_REGISTRY} ${registry})
file(WRITE ${WORK}/empty.lua "print('ran')\n")

function(expect label status pattern)
  execute_process(COMMAND ${HOST} ${ARGN} WORKING_DIRECTORY ${WORK} TIMEOUT 60
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL status OR NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "${label}: exit status ${rc} (expected ${status}), output:\n${out}\n"
      "expected to match: ${pattern}")
  endif()
endfunction()

expect("no registry file" 2 "there is no registry file at .*register the library first" empty.lua)
expect("unregistering without a registry" 0 "is not registered" --unregister ${LIBRARY})
if(EXISTS ${registry})
  message(FATAL_ERROR "unregistering without a registry created one")
endif()

file(WRITE ${registry} "{\"classes\": ")
expect("a damaged registry" 2 "is not valid JSON.*left as it is" empty.lua)
expect("registering into a damaged registry" 1 "left as it is" --register ${LIBRARY})
file(READ ${registry} kept)
if(NOT kept STREQUAL "{\"classes\": ")
  message(FATAL_ERROR "the damaged registry was changed: ${kept}")
endif()
file(WRITE ${registry} "")
expect("an empty registry" 2 "is empty" empty.lua)

# A number beyond a double, nesting that would exhaust the stack, a FIFO:
# each is a damaged registry, named as such and kept.
file(WRITE ${registry} "{\"x\": 1e999}")
expect("a number beyond a double" 2 "beyond the range of a double at line 1, column 7.*left as it is" empty.lua)
expect("registering beside a number beyond a double" 1 "beyond the range of a double" --register ${LIBRARY})
string(REPEAT "[" 200000 open)
string(REPEAT "]" 200000 close)
file(WRITE ${registry} "{\"deep\": ${open}${close}}")
expect("registering beside deep nesting" 1 "nested more than 128 deep.*left as it is" --register ${LIBRARY})
file(SIZE ${registry} size)
if(NOT size EQUAL 400010)
  message(FATAL_ERROR "the deeply nested registry was changed (${size} bytes)")
endif()
file(REMOVE ${registry})
execute_process(COMMAND mkfifo ${registry} RESULT_VARIABLE rc)
if(rc EQUAL 0)
  expect("a FIFO for a registry" 2 "is not a regular file.*left as it is" empty.lua)
  expect("registering into a FIFO" 1 "is not a regular file" --register ${LIBRARY})
  file(REMOVE ${registry})
endif()

# A library registered from a place it has since left.
file(COPY ${LIBRARY} DESTINATION ${WORK}/moved)
get_filename_component(libname ${LIBRARY} NAME)
expect("registering" 0 "registered to" --register ${WORK}/moved/${libname})
expect("registering twice" 0 "already registered" --register ${WORK}/moved/${libname})
file(REMOVE_RECURSE ${WORK}/moved)
expect("a library that is gone" 2 "no longer exists; register it again" empty.lua)
expect("registering from where it is now" 0 "it was registered to" --register ${LIBRARY})
expect("a working set-up" 0 "ran" empty.lua)

expect("a missing script" 1 "cannot open missing.lua" missing.lua)
file(WRITE ${WORK}/bad.json "{\"format\": \"korvane-form\", \"version\": 1, \"controls\": 5}")
expect("a damaged form file" 2 "Invalid form file" --form bad.json empty.lua)
expect("an unknown option" 2 "unknown option --colour" --colour empty.lua)
expect("a style out of range" 2 "--style is 0, 1 or 2" --style 7 empty.lua)

# A sandboxed script saves form files only below --save-dir: not at all
# without one, never outside it, through ".." or a link leading out.
file(WRITE ${WORK}/save.lua "host.save(arg[1]) print('saved ' .. arg[1])\n")
file(MAKE_DIRECTORY ${WORK}/saves/sub)
file(WRITE ${WORK}/victim.json "precious")
file(CREATE_LINK ../victim.json ${WORK}/saves/out.json SYMBOLIC)
file(CREATE_LINK .. ${WORK}/saves/up SYMBOLIC)
set(refused "Form file '.*' can't be written: saving outside saves: Permission denied")
expect("a sandboxed save without --save-dir" 1 "a sandboxed script saves only below --save-dir"
  --sandbox save.lua form.json)
expect("a sandboxed save in --save-dir" 0 "saved saves/form.json" --sandbox --save-dir saves save.lua saves/form.json)
expect("a sandboxed save below --save-dir" 0 "saved saves/sub/../sub/form.json"
  --sandbox --save-dir saves save.lua saves/sub/../sub/form.json)
foreach(outside IN ITEMS form.json saves/../form.json saves/sub/../../form.json saves/out.json saves/up/form.json
    ${WORK}/victim.json)
  expect("a sandboxed save to ${outside}" 1 "${refused}" --sandbox --save-dir saves save.lua ${outside})
endforeach()
file(READ ${WORK}/victim.json kept)
if(NOT kept STREQUAL "precious" OR EXISTS ${WORK}/form.json OR NOT EXISTS ${WORK}/saves/sub/form.json)
  message(FATAL_ERROR "a refused save changed a file outside --save-dir, or a save below it was lost")
endif()

# Our entry naming no library ("library": 5, written by hand) is repaired
# by registering again, and removed by unregistering; the other entries
# stay exactly as they were.
set(other "\"{11111111-2222-3333-4444-555555555555}\": {\"library\": \"/opt/other.so\", \"ratio\": 1.50}")
set(ours "\"{2A784CC5-08FD-4D88-ADFC-26A5B3534E6E}\"")
set(damaged "{\"classes\": {${other},\n ${ours}: {\"library\": 5}},\n \"progids\": {\"Korvane.ucvKorvane\": ${ours}}}\n")
file(WRITE ${registry} "${damaged}")
expect("registering over an entry naming no library" 0 "registered to .*it was registered to no library .\"library\": 5."
  --register ${LIBRARY})
file(READ ${registry} repaired)
string(FIND "${repaired}" "${other}" kept_other)
if(kept_other EQUAL -1 OR NOT repaired MATCHES "\"library\": \"${LIBRARY}\"")
  message(FATAL_ERROR "registering did not repair the entry, or changed another:\n${repaired}")
endif()
file(WRITE ${registry} "${damaged}")
expect("unregistering an entry naming no library" 0 "unregistered from" --unregister)
file(READ ${registry} removed)
if(NOT removed STREQUAL "{\"classes\": {${other}},\n \"progids\": {}}\n")
  message(FATAL_ERROR "unregistering did not remove the entry alone:\n${removed}")
endif()
expect("registering again" 0 "registered to" --register ${LIBRARY})

expect("unregistering" 0 "unregistered" --unregister)
expect("unregistering again" 0 "is not registered" --unregister ${LIBRARY})
