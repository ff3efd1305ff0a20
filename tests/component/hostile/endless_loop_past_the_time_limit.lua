-- korvane-host: --time-limit 0.001 --no-mouse-moves
-- exit status: 1
-- output: the script ran past its time limit of 1 ms .--time-limit.
-- An endless loop ends at the time limit too.
while true do end
