#!/usr/bin/env bash
# Runs a Qt test program on a private Xvfb screen of 1280x1024 at 96 dpi
# (15 twips a pixel, as the contract figures assume). Exits 77, which ctest
# counts as skipped, when no X server can be had.
set -uo pipefail
# KORVANE_QT_SCALE runs the program at another scale (QT_SCALE_FACTOR).
export QT_QPA_PLATFORM=xcb QT_FONT_DPI=96 QT_SCALE_FACTOR="${KORVANE_QT_SCALE:-1}" QT_AUTO_SCREEN_SCALE_FACTOR=0 QT_ENABLE_HIGHDPI_SCALING=0
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR" 2>/dev/null || true
if command -v xvfb-run >/dev/null && command -v Xvfb >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -nolisten tcp" "$@"
fi
echo "SKIPPED: no Xvfb here (install xvfb and xauth to run the tests on a real X server)"
exit 77
