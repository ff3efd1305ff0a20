-- korvane-host: --instruction-limit 200000 --no-mouse-moves
-- exit status: 1
-- output: error in event handler ctl.on.Click: .*ran past its limit of 200000 instructions
-- A handler that never returns ends at the limit; the control finishes
-- the call that raised the event first.
ctl.on.Click = function() while true do end end
ctl:AddItem("a", "b")
ctl.ListIndex = 0
