-- korvane-host: --style 0 --no-mouse-moves
-- Find as you type: with SearchMode set, typing shows only the rows that
-- match, SearchChanged says how many, Down walks the matches and Enter
-- chooses one (ListIndex is its index among all rows). A mode out of
-- range is refused with error 380.

ctl.SearchMode = 2
ctl:AddItem("DE-10115", "Berlin Mitte", 10115)
ctl:AddItem("DE-20095", "Hamburg Altstadt", 20095)
ctl:AddItem("DE-80331", "München Altstadt", 80331)
ctl:AddItem("FR-75001", "Paris Louvre", 75001)
print("SearchMode", ctl.SearchMode, "SearchColumns", ctl.SearchColumns, "ListCount", ctl.ListCount)

function ctl_SearchChanged(matches)
  print("  handler: " .. matches .. " of " .. ctl.ListCount .. " rows match")
end
function ctl_Click()
  print("  handler: chose row", ctl.ListIndex, ctl:List(ctl.ListIndex))
end

print("-- the user types 'alt', then Down, Down and Enter")
desktop.click("txtCol1")
desktop.type("alt")
print("SearchMatches", ctl.SearchMatches)
desktop.keys("Down", "Down", "Return")
print("ListIndex", ctl.ListIndex, "SearchMatches", ctl.SearchMatches)

print("-- the item number counts when asked for")
ctl.SearchColumns = 4
desktop.click("txtCol1")
desktop.keys("Home", "Shift+End")
desktop.type("750")
print("SearchMatches", ctl.SearchMatches)
desktop.keys("Escape")
print("SearchMatches after Escape", ctl.SearchMatches)

local ok, err = pcall(function() ctl.SearchMode = 7 end)
print("SearchMode = 7", ok and "ok" or err)
print("SearchMode", ctl.SearchMode)
