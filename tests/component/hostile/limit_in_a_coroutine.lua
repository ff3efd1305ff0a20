-- korvane-host: --sandbox --instruction-limit 200000 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: ran past its limit of 200000 instructions .--instruction-limit.
-- Inside a coroutine, a message handler that never returns and code that
-- catches every error and resumes the coroutine again cannot go on past
-- the limit either.
local co = coroutine.wrap(function()
  while true do
    xpcall(function() while true do end end, function() while true do end end)
    pcall(function() while true do end end)
    coroutine.yield()
  end
end)
while true do pcall(co) end
