-- korvane-host: --no-mouse-moves
-- exit status: 1
-- output: handlers metatable:.false.*setmetatable refused.*survived.*only the control.s handler table takes handlers
-- The handler table's metatable is hidden and cannot be replaced; one set
-- through the debug library never runs while the control raises an event.
print("handlers metatable:", getmetatable(ctl.on))
print(pcall(setmetatable, ctl.on, {}) and "setmetatable allowed" or "setmetatable refused")
local newindex = debug.getmetatable(ctl.on).__newindex
debug.setmetatable(ctl.on, {__index = function() error("a metamethod ran inside the control") end})
setmetatable(_G, {__index = function(_, k) error("strict: " .. tostring(k)) end})
ctl:AddItem("a", "b")
ctl.ListIndex = 0
desktop.keys("Down", "Up")
print("survived")
newindex(5, "Click", print)
