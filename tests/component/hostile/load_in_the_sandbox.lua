-- korvane-host: --sandbox --time-limit 1 --no-mouse-moves
-- exit status: 1
-- within: 8
-- output: without an environment:.true.*with one:.nil.*with nil:.false.*ran past its time limit of 1000 ms .--time-limit.
-- A chunk loaded in the sandbox without an environment sees the sandbox's
-- globals, one with an environment only that; code loaded either way ends
-- at the limit like the script's own.
print("without an environment:", load("return print ~= nil and ctl ~= nil")())
print("with one:", load("return print", "chunk", "t", {})())
print("with nil:", pcall(load("return print", "chunk", "t", nil)))
pcall(load("while true do end", "endless", "t", {}))
load("while true do end")()
