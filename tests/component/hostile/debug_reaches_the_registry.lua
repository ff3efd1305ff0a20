-- korvane-host: --no-mouse-moves
-- exit status: 1
-- output: a forged font:.*not a font object.*cleared the registry.*ListCount.1.*a font without its metatable:.false.*Text.a.b.*ctl:RemoveItem: run-time error 6
-- The debug library can give any userdata a font's metatable and empty
-- Lua's registry; neither makes the host touch what it does not own.
local fontMeta = debug.getmetatable(korvane.font{Name = "Arial"})
debug.setmetatable(io.stdout, fontMeta)
print("a forged font:", select(2, pcall(function() return io.stdout.Name end)))
debug.setmetatable(io.stdout, nil)
local registry = debug.getregistry()
local keys = {}
for k in pairs(registry) do
  if type(k) ~= "number" then keys[#keys + 1] = k end
end
for _, k in ipairs(keys) do registry[k] = nil end
print("cleared the registry")
ctl:AddItem("a", "b")
print("ListCount", ctl.ListCount)
ctl.Font = korvane.font{Name = "Arial", Size = 12}
print("a font without its metatable:", (pcall(function() return ctl.Font.Name end)))
ctl.ListIndex = 0
print("Text", ctl.Text)
ctl:RemoveItem(7)
