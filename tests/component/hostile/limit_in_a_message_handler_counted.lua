-- korvane-host: --sandbox --instruction-limit 200000 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: ran past its limit of 200000 instructions .--instruction-limit.
-- The same escape under an instruction limit: once it is reached the
-- script has a moment to be gone, however it goes on.
xpcall(function() while true do end end, function() while true do end end)
print("not reached")
