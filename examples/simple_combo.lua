-- korvane-host: --style 1 --no-mouse-moves
-- A Simple Combo: the two lists always show under the fields. A KeyPress
-- handler changes a by-reference argument: lower-case letters become
-- capitals before the field sees them, and digits are refused.

for i, fruit in ipairs({"apple", "banana", "cherry", "damson"}) do
  ctl:AddItem(fruit, tostring(i * 10), i)
end
print("lists visible", desktop.visible("lstCol1a"), desktop.visible("lstCol2a"))

ctl.on.Click = function()
  print("  handler: row", ctl.ListIndex, "is", ctl.Text)
end

print("-- the user clicks the second row of the list")
desktop.clickRow("lstCol1a", 1)
print("-- and goes down one row with the keyboard")
desktop.keys("Down")
print("ListIndex", ctl.ListIndex)

ctl.on.KeyPress = function(KeyAscii, Col)
  if KeyAscii >= 97 and KeyAscii <= 122 then
    return KeyAscii - 32  -- upper case
  elseif KeyAscii >= 48 and KeyAscii <= 57 then
    return 0  -- consumed
  end
end
print("-- the user types into column 1")
desktop.click("txtCol1")
desktop.keys("End")
desktop.type("x1y")
print("TextCol(1)", ctl:TextCol(1), "ListIndex", ctl.ListIndex)
