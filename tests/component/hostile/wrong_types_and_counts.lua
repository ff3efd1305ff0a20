-- korvane-host: --no-mouse-moves
-- exit status: 1
-- output: run-time error 450.*a table cannot be passed.*desktop.clickRow: the row is an integer.*desktop.keys: unknown key.*desktop.advance: milliseconds.*korvane.font: Size is a finite number.*desktop.onModal: a function.*font: cannot set Size.*ListCount.0.*ctl: members are named by strings
-- Calls with the wrong types and counts each fail with a Lua error naming
-- the call; the control is unchanged.
local function try(f, ...) print(select(2, pcall(f, ...))) end
try(function() ctl:AddItem() end)
try(function() ctl:AddItem({}, "b") end)
try(desktop.clickRow, "lstCol1", "first")
try(desktop.keys, {})
try(desktop.advance, -1)
try(korvane.font, {Name = "Arial", Size = 1e300})
try(desktop.onModal, 5)
try(function() local f = korvane.font{} ; f.Size = 0/0 end)
print("ListCount", ctl.ListCount)
return ctl[1]
