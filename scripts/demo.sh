#!/usr/bin/env bash
# Builds Korvane and runs the demo host: a window with a KorvaneBox in each
# of its three styles, filled with currencies, an event log and buttons for
# the host's calls.
#   bash scripts/demo.sh                    the window, on the display; with no
#                                           display, drawn on a private Xvfb
#                                           screen and saved as PNGs into
#                                           build/demo-screenshots
#   bash scripts/demo.sh --screenshots DIR  only the PNGs, into DIR
#   bash scripts/demo.sh --headless         the scripted session on the headless
#                                           desktop, every event printed
#   bash scripts/demo.sh --quick            the Qt Quick demo (demo_quick/Demo.qml)
#                                           on the display; with no display, or
#                                           with --screenshots DIR after it, its
#                                           PNGs drawn offscreen into DIR
#                                           (build/demo-screenshots-quick)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BUILD_BENCH=OFF -DKORVANE_WERROR=ON >/dev/null

if [[ "${1:-}" == "--headless" ]]; then
  shift
  cmake --build "$root/build" -j"$(nproc)" --target korvane-demo
  exec "$root/build/korvane-demo" "$@"
fi

if [[ "${1:-}" == "--quick" ]]; then
  shift
  cmake --build "$root/build" -j"$(nproc)" --target korvane-demo-quick
  if [[ -n "${DISPLAY:-}" && "${1:-}" != "--screenshots" ]]; then
    exec "$root/build/korvane-demo-quick" "$@"
  fi
  if [[ "${1:-}" == "--screenshots" ]]; then
    exec "$root/build/korvane-demo-quick" "$@"
  fi
  echo "No display: drawing the Qt Quick demo offscreen and saving what it shows."
  exec "$root/build/korvane-demo-quick" --screenshots "$root/build/demo-screenshots-quick"
fi

cmake --build "$root/build" -j"$(nproc)" --target korvane-demo-qt
if [[ -n "${DISPLAY:-}" && "${1:-}" != "--screenshots" ]]; then
  exec "$root/build/korvane-demo-qt" "$@"
fi
args=("$@")
if ((${#args[@]} == 0)); then
  echo "No display: drawing the demo on a private X screen and saving what it shows."
  args=(--screenshots "$root/build/demo-screenshots")
fi
exec bash "$root/tests/qt/run_under_xvfb.sh" "$root/build/korvane-demo-qt" "${args[@]}"
