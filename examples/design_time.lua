-- korvane-host: --design --style 1
-- At design time refused property writes show a message box instead of
-- raising an error, and Style may be changed.

print("Style", ctl.Style)
ctl.Style = 2
print("Style", ctl.Style)
ctl.ListCount = 5
ctl.WidthCol1 = -10
local boxes = desktop.messages()
for i, text in ipairs(boxes) do print("message box " .. i .. ":", text) end
print("WidthCol1", ctl.WidthCol1)
local font = ctl.Font
print("Font", font, font.Name, font.Size)
ctl.Font = korvane.font{Name = "Arial", Size = 10, Bold = true}
print("Font now", ctl.Font, ctl.Font.Bold)
