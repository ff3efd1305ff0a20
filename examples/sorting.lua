-- korvane-host: --style 1 --no-mouse-moves
-- Sort by column 1 as text, by column 2 as numbers and as text, and by the
-- item numbers; the omitted OnNumeric argument means False.

local rows = {{"pear", "10", 3}, {"Apple", "9", 1}, {"fig", "100", 2}, {"banana", "9.5", 4}}
for _, r in ipairs(rows) do ctl:AddItem(r[1], r[2], r[3]) end

local function show(title)
  local parts = {}
  for i = 0, ctl.ListCount - 1 do
    parts[#parts + 1] = ctl:ListCol(1, i) .. "/" .. ctl:ListCol(2, i) .. "/" .. ctl:ItemData(i)
  end
  print(title, table.concat(parts, "  "))
end

ctl:Sort(1)
show("column 1, text:   ")
ctl:Sort(2, true)
show("column 2, numbers:")
ctl:Sort(2)
show("column 2, text:   ")
ctl:Sort(3)
show("item numbers:     ")
local ok, err = pcall(ctl.Sort, ctl, 4)
print("Sort(4):", err)

-- Properties that take an index are written with ctl:let and read with
-- ctl:get or a call; any member can also be reached by its number.
ctl:let("List", 0, "kiwi\t7")
ctl:let("ItemData", 0, 70)
print("row 0 now", ctl:get("List", 0), ctl:ItemData(0))
print("member 0x6803000C (ListCount) =", ctl:invoke(0x6803000C, "get"))
ctl:invoke(0x60030051, "method", 1)  -- Sort(1)
show("column 1 again:   ")
