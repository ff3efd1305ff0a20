-- korvane-host: --sandbox --instruction-limit 1000000 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: the script's last line.*finalizers were still running 1000 ms after it ended .--instruction-limit.
-- Under an instruction limit alone, the finalizers left at the end get a
-- moment to finish, no more.
local keep = setmetatable({}, {__gc = function() while true do end end})
print("the script's last line", keep ~= nil)
