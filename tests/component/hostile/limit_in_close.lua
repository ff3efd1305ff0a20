-- korvane-host: --sandbox --instruction-limit 200000 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: ran past its limit of 200000 instructions .--instruction-limit.
-- A to-be-closed variable's __close runs as the limit's error unwinds the
-- block; one that loops, catching every error, ends at the limit too.
local function endless() while true do pcall(function() while true do end end) end end
while true do
  pcall(function()
    local guard <close> = setmetatable({}, {__close = endless})
    while true do end
  end)
end
