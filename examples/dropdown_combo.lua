-- korvane-host: --style 0 --no-mouse-moves
-- A Dropdown Combo: filled by the script, a row picked with the mouse in
-- the drop-down window, another with the keyboard, then free text typed.

local currencies = {
  {"CHF", "Swiss franc", 756}, {"EUR", "Euro", 978}, {"GBP", "Pound sterling", 826},
  {"JPY", "Japanese yen", 392}, {"USD", "US dollar", 840},
}
for _, c in ipairs(currencies) do
  ctl:AddItem(c[1], c[2], c[3])
end
print("ListCount", ctl.ListCount, "NewIndex", ctl.NewIndex)

function ctl_Click()
  print("  handler: the user chose", ctl:TextCol(1), ctl:TextCol(2), "item", ctl:ItemData(ctl.ListIndex))
end

print("-- the user opens the drop-down and clicks the third row")
desktop.click("imgCombo")
print("drop-down visible", desktop.visible("Window.lstCol1"))
desktop.moveToRow("lstCol1", 2)
desktop.clickRow("lstCol1", 2)
desktop.advance(100)  -- the next tick hands the row to the control
print("ListIndex", ctl.ListIndex, "Text", ctl.Text)

print("-- Alt+Down opens the list, Down moves, Enter chooses")
desktop.click("txtCol1")
desktop.keys("Alt+Down", "Down", "Return")
desktop.advance(100)
print("ListIndex", ctl.ListIndex, "Text", ctl.Text)

print("-- typing free text drops the current row")
desktop.tab()
desktop.type("Yen")
print("ListIndex", ctl.ListIndex, "TextCol(2)", ctl:TextCol(2))
