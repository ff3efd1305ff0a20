-- korvane-host: --sandbox --instruction-limit 1000000 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: the script's last line.*ran past its limit of 1000000 instructions .--instruction-limit.
-- Under an instruction limit alone, the finalizers left at the end count
-- their instructions too, and end at the limit.
local keep = setmetatable({}, {__gc = function() while true do end end})
print("the script's last line", keep ~= nil)
