-- korvane-host: --sandbox --time-limit 1 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: ran past its time limit of 1000 ms .--time-limit.
-- The limit's error is raised in Lua's count hook, and Lua runs a message
-- handler right there with its hooks off: a handler that never returns
-- still ends at the limit, by the watchdog.
xpcall(function() while true do end end, function() while true do end end)
print("not reached")
