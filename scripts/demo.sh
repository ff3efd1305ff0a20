#!/usr/bin/env bash
# Builds Korvane and runs the demo host: a KorvaneBox on a form, filled with
# sample rows, through a short user session; every event the host receives
# is printed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target korvane-demo
"$root/build/korvane-demo" "$@"
