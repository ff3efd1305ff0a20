-- korvane-host: --form saved_form.json --no-mouse-moves
-- A control read from a saved form: its properties come from the form
-- file, its rows are filled at run time. Handlers may be named after the
-- control, as a form's code names them.

print("Style", ctl.Style, "WidthCol1", ctl.WidthCol1, "AutoFill", ctl.AutoFill)
print("ToolTipText", ctl.ToolTipText, "Text", ctl.Text)
ctl:AddItem("ACME", "Acme Corporation", 1)
ctl:AddItem("INIT", "Initech", 2)

function cboCustomer_Click()
  print("  handler cboCustomer_Click:", ctl.Text)
end
desktop.clickRow("lstCol1a", 1)
