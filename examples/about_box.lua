-- korvane-host: --no-mouse-moves
-- About shows a modal window; the script plays the user inside its modal
-- loop with desktop.onModal and closes it with its OK button.

desktop.onModal(function(form)
  print("modal window", form, "OK button visible", desktop.visible(form .. ".btnOK"))
  desktop.click(form .. ".btnOK")
  desktop.advance(500)
end)
ctl:About()
print("About returned; the control still answers:", ctl.ListCount)
