-- korvane-host: --no-mouse-moves
-- exit status: 1
-- output: font metatable:.false.*control font:.Arial.*font.get: not a font object .or one already released.
-- A script that calls a font object's finalizer itself (through the debug
-- library, since getmetatable shows nothing) releases only its own handle:
-- the control keeps its font, and the released handle is refused.
local f = korvane.font{Name = "Arial", Size = 10}
ctl.Font = f
print("font metatable:", getmetatable(f))
local gc = debug.getmetatable(f).__gc
gc(f)
gc(f)
collectgarbage()
print("control font:", ctl.Font.Name)
ctl.Font = korvane.font{Name = "Courier New", Size = 9}
collectgarbage()
print(f.Name)
