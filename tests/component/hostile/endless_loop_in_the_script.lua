-- korvane-host: --instruction-limit 200000 --no-mouse-moves
-- exit status: 1
-- output: the script ran past its limit of 200000 instructions .--instruction-limit.
-- An endless loop, even one that catches every error, ends at the limit.
while true do
  pcall(function() while true do end end)
end
