-- korvane-host: --sandbox --instruction-limit 1000000 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: before the collection.*ran past its limit of 1000000 instructions .--instruction-limit.
-- Under an instruction limit alone, a finalizer's instructions count too:
-- a sandboxed script's finalizers run where the count hook reaches them.
setmetatable({}, {__gc = function() while true do end end})
print("before the collection")
collectgarbage()
print("not reached")
