#!/usr/bin/env bash
# Runs a Qt test program with an accessibility bus of its own, the way a
# screen reader finds it on a desktop: a private D-Bus session with the
# AT-SPI bus launcher, Qt's accessibility switched on, on a private Xvfb
# screen (run_under_xvfb.sh). Exits 77, which ctest counts as skipped, when
# D-Bus, the launcher or Python's pyatspi is missing.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
launcher=/usr/libexec/at-spi-bus-launcher
if ! command -v dbus-run-session >/dev/null || [[ ! -x "$launcher" ]] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "SKIPPED: no AT-SPI here (install dbus, at-spi2-core and python3-pyatspi)"
  exit 77
fi
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 KORVANE_ATSPI_WALKER="$here/atspi_walk.py"
# A runtime folder of this run's own: the launcher puts the accessibility
# bus's socket there, where no other run (or its end) can take it away.
runtime="$(mktemp -d)"
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
dbus-run-session -- bash -c '
  "$0" --launch-immediately & bus=$!
  # The program starts once the bus has its socket (10 s at most).
  for _ in $(seq 100); do
    compgen -G "$XDG_RUNTIME_DIR/at-spi/*" >/dev/null && break
    sleep 0.1
  done
  bash "$1/run_under_xvfb.sh" "${@:2}"; rc=$?
  kill "$bus" 2>/dev/null; wait "$bus" 2>/dev/null
  exit "$rc"' "$launcher" "$here" "$@"
rc=$?
rm -rf "$runtime"
exit "$rc"
