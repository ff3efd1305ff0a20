-- korvane-host: --no-mouse-moves
-- exit status: 1
-- output: from a coroutine:.1.*error in event handler ctl.on.Click: attempt to yield across a C-call boundary
-- Calls from a coroutine reach the control like any other; a handler that
-- tries to yield out of the control's event gets Lua's error instead.
coroutine.wrap(function()
  ctl:AddItem("a", "b")
  print("from a coroutine:", ctl.ListCount)
  ctl.on.Click = function() coroutine.yield() end
  ctl.ListIndex = 0
end)()
