#!/usr/bin/env bash
# Fuzzes the form-file reader: builds fuzz/form_file_fuzz.cpp with clang,
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz/,
# then runs it over the seed corpus in fuzz/corpus/ for a bounded time.
# Any finding (a crash, a sanitizer report, a leak, a slow input) fails.
#   KORVANE_FUZZ_SECONDS=60   how long to run
# Inputs the run discovers stay in build-fuzz/corpus/, findings in
# build-fuzz/findings/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"

build="$root/build-fuzz"
mkdir -p "$build/corpus" "$build/findings"

# Only what the reader needs, compiled directly: the main build stays on g++.
sources=(
  "$root/fuzz/form_file_fuzz.cpp"
  "$root/src/properties/form_file.cpp"
  "$root/src/control/errors.cpp"
  "$root/src/toolkit/property_bag.cpp"
)
echo "Building the form-file fuzz target in $build"
clang++ -std=c++20 -O1 -g -Wall -Wextra -Werror \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
  -I"$root/include" -I"$root/src" "${sources[@]}" -o "$build/form_file_fuzz"

seconds="${KORVANE_FUZZ_SECONDS:-60}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
./form_file_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
  -dict="$root/fuzz/form_file.dict" -artifact_prefix="$build/findings/" -print_final_stats=1 \
  "$build/corpus" "$root/fuzz/corpus"
echo "Fuzzing the form-file reader: no finding in ${seconds} s."
