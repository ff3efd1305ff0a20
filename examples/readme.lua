-- korvane-host: --form readme_form.json --no-mouse-moves
-- The README's script, as printed there, against the README's saved form
-- (a Dropdown List of currencies with its tool tip).

ctl:AddItem("EUR", "Euro", 978)         -- methods
ctl.ListIndex = 0                       -- properties by name
print(ctl.Text, ctl:ItemData(0))        -- properties with arguments are called
ctl:let("List", 0, "USD\tUS dollar")    -- a property write with arguments
function ctl_Click() print("chose", ctl.Text) end
ctl.on.KeyPress = function(KeyAscii, Col)
  if KeyAscii == 48 then return 0 end   -- new values for by-reference arguments
end
desktop.click("imgCombo")               -- the user: click, clickRow, moveToRow,
desktop.keys("Down", "Return")          -- keys, type, tab, advance (virtual ms)
desktop.advance(100)
