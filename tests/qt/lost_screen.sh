#!/usr/bin/env bash
# A Qt program of ours whose X server goes away while it runs must end with
# a clear message, not hang: starts the program on a private Xvfb, waits for
# its window (named by the first argument, the program and its arguments
# follow), kills the X server and gives the program 10 s to end. Exits
# 77 (skipped) where no Xvfb or xdotool can be had.
set -uo pipefail
window_name="$1"
program="$2"
shift 2
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "SKIPPED: needs Xvfb and xdotool"
  exit 77
fi
work=$(mktemp -d)
trap 'kill -9 "${xvfb:-}" "${pid:-}" 2>/dev/null; rm -rf "$work"' EXIT
# Xvfb takes a free display itself and names it: two runs at once (other
# builds on the machine) never share one X server, whose end would be the
# other run's lost screen.
# Starts Xvfb and the program on it; returns 2 when the program could not
# even reach that X server (a stale socket of an X server killed by another
# run can take the new server's display for a moment), which is tried
# again on a new server.
start() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  timeout 10 bash -c "until [ -s '$work/display' ]; do sleep 0.05; done" || { echo "SKIPPED: Xvfb did not start"; exit 77; }
  display=$(head -n 1 "$work/display")
  export DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
  timeout 10 bash -c "until xdotool getmouselocation >/dev/null 2>&1; do sleep 0.05; done" || { echo "SKIPPED: Xvfb did not start"; exit 77; }
  "$program" "$@" >"$work/out" 2>"$work/err" &
  pid=$!
  if timeout 20 bash -c "until xdotool search --onlyvisible --name '$window_name' >/dev/null 2>&1; do sleep 0.1; done"; then
    return 0
  fi
  if grep -q "could not connect to display" "$work/err"; then
    kill -9 "$xvfb" "$pid" 2>/dev/null
    wait "$xvfb" "$pid" 2>/dev/null
    return 2
  fi
  echo "FAILED: the program's window never showed"; cat "$work/err"; exit 1
}
for attempt in 1 2 3; do
  start "$@" && break
  echo "the program could not reach X server :$display (attempt $attempt); starting another"
  if [ "$attempt" -eq 3 ]; then echo "FAILED: the program never reached its X server"; cat "$work/err"; exit 1; fi
done
kill -9 "$xvfb"
wait "$xvfb" 2>/dev/null
for _ in $(seq 200); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAILED: the program still runs 10 s after its X server went away"
  exit 1
fi
wait "$pid"
rc=$?
echo "exit status $rc; standard error:"
cat "$work/err"
if [ "$rc" -eq 0 ]; then echo "FAILED: it ended as if nothing had happened"; exit 1; fi
if ! grep -qi "X11\|X server\|display" "$work/err"; then echo "FAILED: no message about the lost screen"; exit 1; fi
echo "PASSED"
