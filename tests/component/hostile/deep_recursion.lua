-- korvane-host: --no-mouse-moves
-- exit status: 1
-- output: Lua recursion:.*stack overflow.*ctl.ListIndex: error in event handler ctl.on.Click: .*stack overflow|ctl.ListIndex: error in event handler ctl.on.Click: .*nested more than 100 deep
-- Recursion in Lua ends with Lua's own error; a handler that raises its
-- own event again and again is stopped by the host.
local function down(n) return down(n + 1) + 1 end
print("Lua recursion:", select(2, pcall(down, 1)))
ctl:AddItem("a", "1")
ctl:AddItem("b", "2")
ctl.on.Click = function() ctl.ListIndex = 1 - ctl.ListIndex end
ctl.ListIndex = 0
