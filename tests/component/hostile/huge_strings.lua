-- korvane-host: --memory-limit 64 --no-mouse-moves
-- exit status: 1
-- output: a 4 MiB text:.4194306.*not enough memory
-- A large text reaches the control whole; one past the memory limit
-- fails with Lua's own error.
ctl:AddItem(string.rep("x", 4 << 20), "b")
print("a 4 MiB text:", #ctl:List(0))
local s = string.rep("x", 100 << 20)
