-- korvane-host: --no-mouse-moves
-- exit status: 1
-- output: event Click.*error in event handler ctl.on.Click: .*raised inside the handler
-- An error inside a handler stops the script once the control is done.
ctl.on.Click = function() error("raised inside the handler") end
ctl:AddItem("a", "b")
ctl.ListIndex = 0
print("not reached")
