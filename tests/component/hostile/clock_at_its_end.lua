-- korvane-host: --no-mouse-moves
-- exit status: 1
-- output: desktop.advance: the clock stands at 10 ms and cannot move that far
-- The clock cannot be moved past its last millisecond (it once wrapped
-- around to negative times).
desktop.advance(10)
desktop.advance(math.maxinteger)
