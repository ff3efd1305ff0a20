-- korvane-host: --sandbox --time-limit 1 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: the script's last line.*ran past its time limit of 1000 ms .--time-limit.
-- A finalizer left for the end runs once the script is done, as the host
-- closes Lua: the time limit still holds there.
local keep = setmetatable({}, {__gc = function() while true do end end})
print("the script's last line", keep ~= nil)
