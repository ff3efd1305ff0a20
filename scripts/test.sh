#!/usr/bin/env bash
# Builds Korvane with its tests and benchmarks and runs every test.
#   KORVANE_SANITIZE=1  build and run under AddressSanitizer and
#                       UndefinedBehaviorSanitizer instead (its own folder).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"

if [[ "${KORVANE_SANITIZE:-0}" == 1 ]]; then
  build="$root/build-sanitize"
  options=(-DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_BUILD_BENCH=OFF -DKORVANE_WERROR=ON)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
else
  build="$root/build"
  # The API documentation is built too: an undocumented public member fails it.
  options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_WERROR=ON -DKORVANE_BUILD_DOCS=ON)
fi

cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
