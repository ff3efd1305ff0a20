# Checks what the component binaries show of themselves: libkorvane-control.so
# exports exactly its four entry points and needs none of the package's
# shared libraries (it carries its own copy of the control), and
# korvane-host carries no code of the control (it reaches it only through
# the library).
#   -DNM= -DLIBRARY= -DHOST= [-DOBJDUMP=]
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE exported RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${exported}")
set(names)
foreach(line IN LISTS lines)
  if(line MATCHES " [TtDdBbRrVvWwiu] ([^ ]+)$")
    list(APPEND names ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT names)
set(expected DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "libkorvane-control.so exports: ${names}\nexpected only: ${expected}")
endif()

if(OBJDUMP)
  execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${LIBRARY}")
  endif()
  string(REGEX MATCHALL "NEEDED +[^\n]+" needed "${headers}")
  if(needed MATCHES "libkorvane")
    message(FATAL_ERROR "libkorvane-control.so needs a library of the package: ${needed}")
  endif()
endif()

execute_process(COMMAND ${NM} -C ${HOST} OUTPUT_VARIABLE host_symbols RESULT_VARIABLE rc)
if(host_symbols MATCHES "korvane::ucvKorvane::")
  # Defined here (a copy) or undefined (a call into libkorvane.so): either
  # way the host would not be using the control it registered.
  message(FATAL_ERROR "korvane-host contains or calls the control's own code; it must reach it through the library")
endif()
