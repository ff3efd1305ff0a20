-- korvane-host: --style 0 --no-mouse-moves
-- exit status: 1
-- What a late-bound caller gets for bad calls: each error with its number
-- and text, the control unchanged. Last, an event handler that fails stops
-- the script with a clear message once the control has finished its work.

ctl:AddItem("a", "1", 7)
local function try(label, f)
  local ok, err = pcall(f)
  print(label, ok and "ok" or err)
end

try("unknown member", function() return ctl.Colour end)
try("too few arguments", function() ctl:AddItem("x") end)
try("too many arguments", function() ctl:AddItem("x", "y", 1, 2) end)
try("16-bit overflow", function() return ctl:TextCol(40000) end)
try("NaN for a 16-bit argument", function() ctl:Sort(0/0) end)
try("text for a number", function() ctl:RemoveItem("first") end)
try("a table as argument", function() ctl:RemoveItem({}) end)
try("read-only property", function() ctl.hWnd = 5 end)
try("no such row", function() ctl:RemoveItem(5) end)
try("ListCount at run time", function() ctl.ListCount = 3 end)
try("Style at run time", function() ctl.Style = 7 end)
try("numbers from text", function() ctl.ListIndex = "0" end)
try("default member", function() return ctl() end)
try("a misspelt event", function() ctl.on.Clik = function() end end)
print("ListCount", ctl.ListCount, "ListIndex", ctl.ListIndex, "Text", ctl.Text)

-- A failing handler: the error reaches the script after the control has
-- finished the call that raised the event.
ctl.on.Click = function() error("the handler fails") end
try("a failing handler", function() ctl.ListIndex = -1 end)
print("ListIndex", ctl.ListIndex, "ListCount", ctl.ListCount)

-- Not caught, it ends the script with exit status 1.
ctl.ListIndex = 0
print("this line is never reached")
