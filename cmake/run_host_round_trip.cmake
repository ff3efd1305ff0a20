# A whole round through korvane-host: register the library, design a
# control and save its form, run that form, release everything and
# unregister; each step checked by what the host prints.
#   -DHOST= -DLIBRARY= -DWORK=
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(ENV{KORVANE_REGISTRY} ${WORK}/registry.json)

function(run label pattern)
  execute_process(COMMAND ${HOST} ${ARGN} WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "${label}: exit status ${rc}, output:\n${out}\nexpected to match: ${pattern}")
  endif()
endfunction()

file(WRITE ${WORK}/design.lua [[
assert(host.design)
ctl.Style = 2
ctl.WidthCol1 = 1500
ctl.ToolTipText = "Pick one"
ctl.Font = korvane.font{Name = "Arial", Size = 10}
ctl:AddItem("rows", "are not saved")
host.save("designed.json")
print("saved")
]])
file(WRITE ${WORK}/run.lua [[
assert(not host.design)
print("Style=" .. ctl.Style, "WidthCol1=" .. ctl.WidthCol1, "ToolTipText=" .. ctl.ToolTipText,
      "Font=" .. ctl.Font.Name, "ListCount=" .. ctl.ListCount)
ctl:AddItem("a", "b")
ctl.ListIndex = 0
print("Text=" .. ctl.Text)
]])

run("register" "registered to" --register ${LIBRARY})
run("design and save" "at design time, Simple Combo.*saved.*the library can be unloaded"
  --design --style 1 design.lua)
if(NOT EXISTS ${WORK}/designed.json)
  message(FATAL_ERROR "the designed form was not saved")
endif()
run("run the saved form" "at run time, Dropdown List.*Style=2\tWidthCol1=1500\tToolTipText=Pick one\tFont=Arial\tListCount=0.*event Click.*Text=a\tb.*the library can be unloaded"
  --form designed.json run.lua)
run("unregister" "unregistered" --unregister)
