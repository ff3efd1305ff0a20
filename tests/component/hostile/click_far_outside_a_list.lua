-- korvane-host: --sandbox --no-mouse-moves
-- exit status: 0
-- output: after the clicks:.30.4
-- A row far outside the open list, at the extremes of a row number, on a
-- scrolled list, is nowhere: nothing happens, and nothing overflows.
for i = 0, 39 do ctl:AddItem("row " .. i, tostring(i)) end
ctl.ListIndex = 30
desktop.click("imgCombo")
for _, row in ipairs({-2147483648, -1, 40, 2147483647}) do
  desktop.moveToRow("lstCol1a", row)
  desktop.clickRow("lstCol1a", row)
end
print("after the clicks:", ctl.ListIndex, ctl.ListCount // 10)
