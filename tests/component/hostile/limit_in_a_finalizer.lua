-- korvane-host: --sandbox --time-limit 1 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: before the collection.*ran past its time limit of 1000 ms .--time-limit.
-- Lua runs finalizers with its hooks off and turns their errors into
-- warnings: an endless finalizer still ends at the time limit.
setmetatable({}, {__gc = function() while true do end end})
print("before the collection")
collectgarbage()
print("not reached")
