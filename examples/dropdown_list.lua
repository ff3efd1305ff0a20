-- korvane-host: --style 2 --no-mouse-moves
-- A Dropdown List: read-only labels; a click on a label opens the list.
-- Text cannot be written at run time in this style: the control's error
-- comes back to the script with its number and description.

ctl:AddItem("N", "North", 1)
ctl:AddItem("E", "East", 2)
ctl:AddItem("S", "South", 3)
ctl:AddItem("W", "West", 4)
ctl.ListIndex = 0
print("Text", ctl.Text)

print("-- the user clicks the first label, goes down twice and presses Enter")
desktop.click("lblCol1")
desktop.keys("Down", "Down", "Return")
desktop.advance(100)
print("ListIndex", ctl.ListIndex, "Text", ctl.Text)

local ok, err = pcall(function() ctl.Text = "X;Nowhere" end)
print("writing Text:", ok, err)
print("Text is still", ctl.Text)
print("Style", ctl.Style)
