-- korvane-host: --instruction-limit 2000000 --no-mouse-moves
-- exit status: 1
-- output: clock_moved_without_end.lua:8: the script ran past its limit of 2000000 instructions
-- With a timer running (the drop-down is open), a clock moved on without
-- end stops at the limit: each tick counts.
ctl:AddItem("a", "b")
desktop.click("imgCombo")
desktop.advance(math.maxinteger)
