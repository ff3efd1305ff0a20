-- korvane-host: --style 0 --no-mouse-moves
-- AutoFill: Enter in column 2 adds the typed pair as a new row and raises
-- Filled. The Filled handler reads the new row back through the control.

ctl.AutoFill = true
ctl:AddItem("1", "one")
print("AutoFill", ctl.AutoFill, "ListCount", ctl.ListCount)

function ctl_Filled()
  print("  handler: filled row", ctl.NewIndex, "=", ctl:List(ctl.NewIndex))
end

print("-- the user types a pair and presses Enter in column 2")
desktop.click("txtCol1")
desktop.type("2")
desktop.tab()
desktop.type("two")
desktop.keys("Return")
print("ListCount", ctl.ListCount, "last row", ctl:ListCol(1, 1), ctl:ListCol(2, 1))

print("-- an existing pair is not added twice: a beep, the typed texts stay, no Filled")
desktop.click("txtCol1")
desktop.keys("Home", "Shift+End")
desktop.type("1")
desktop.tab()
desktop.type("one")
desktop.keys("Return")
print("ListCount", ctl.ListCount, "beeps", desktop.beeps())
