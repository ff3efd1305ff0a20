#!/usr/bin/env bash
# Fuzzes every target in fuzz/: each fuzz/NAME_fuzz.cpp is built with clang,
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz/
# from the sources listed in fuzz/NAME.sources (one path or glob a line,
# relative to the project; a line starting with "-" is a compiler or linker
# flag, "#" a comment), then run over its seed corpus fuzz/corpus/NAME/
# with the dictionary fuzz/NAME.dict when there is one, for a bounded time.
# Any finding (a crash, a sanitizer report, a leak, a slow input) fails.
#   KORVANE_FUZZ_SECONDS=60   how long to run each target
#   bash scripts/fuzz.sh NAME...   only these targets
# Inputs a run discovers stay in build-fuzz/corpus/NAME/, findings in
# build-fuzz/findings/NAME/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"

build="$root/build-fuzz"
seconds="${KORVANE_FUZZ_SECONDS:-60}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The headers CMake writes (korvane/version.h, the export headers) come from
# configuring the project once, without building any of it; the targets are
# whole programs, so the export marks are those of a static build.
generated="$build/cmake"
cmake -S "$root" -B "$generated" -DCMAKE_CXX_COMPILER=clang++ -DBUILD_SHARED_LIBS=OFF \
  -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF -DKORVANE_BUILD_QT=OFF -DKORVANE_BUILD_COMPONENT=OFF \
  -DKORVANE_BUILD_DOCS=OFF >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$root"/fuzz/*_fuzz.cpp; do
    name="$(basename "$source" _fuzz.cpp)"
    targets+=("$name")
  done
fi

for name in "${targets[@]}"; do
  target="$root/fuzz/${name}_fuzz.cpp"
  list="$root/fuzz/${name}.sources"
  if [ ! -f "$target" ] || [ ! -f "$list" ]; then
    echo "fuzz.sh: no target $name (fuzz/${name}_fuzz.cpp and fuzz/${name}.sources)" >&2
    exit 2
  fi
  sources=("$target")
  flags=()
  while read -r line; do
    case "$line" in
      "" | "#"*) ;;
      -*) read -r -a words <<<"$line"; flags+=("${words[@]}") ;;
      *) for path in $root/$line; do sources+=("$path"); done ;;
    esac
  done <"$list"
  mkdir -p "$build/corpus/$name" "$build/findings/$name" "$root/fuzz/corpus/$name" "$build/obj/$name"
  echo "Building the $name fuzz target in $build"
  # Linker inputs go to the link; other flags to every step.
  compile_flags=()
  link_flags=()
  for flag in "${flags[@]}"; do
    case "$flag" in
      -l* | -L* | -Wl,*) link_flags+=("$flag") ;;
      *) compile_flags+=("$flag") ;;
    esac
  done
  # One object per source, compiled side by side; a rebuild compiles only
  # the sources (or headers) changed since.
  objects=()
  pids=()
  for src in "${sources[@]}"; do
    obj="$build/obj/$name/$(echo "${src#"$root"/}" | tr '/' '_').o"
    if [[ ! -f "$obj" || "$src" -nt "$obj" ||
      -n "$(find "$root/include" "$root/src" "$generated/include" -name '*.h' -newer "$obj" -print -quit)" ]]; then
      while (($(jobs -rp | wc -l) >= $(nproc))); do wait -n; done
      clang++ -std=c++20 -O1 -g -Wall -Wextra -Werror \
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
        -DKORVANE_STATIC_DEFINE -DKORVANE_FORMFILE_STATIC_DEFINE \
        -I"$root/include" -I"$generated/include" -I"$root/src" "${compile_flags[@]}" -c "$src" -o "$obj.part" &&
        mv "$obj.part" "$obj" &
      pids+=($!)
    fi
    objects+=("$obj")
  done
  for pid in "${pids[@]}"; do wait "$pid"; done
  clang++ -fsanitize=fuzzer,address,undefined "${compile_flags[@]}" "${objects[@]}" "${link_flags[@]}" \
    -o "$build/${name}_fuzz"
  dict=()
  if [ -f "$root/fuzz/${name}.dict" ]; then
    dict=(-dict="$root/fuzz/${name}.dict")
  fi
  (cd "$build" && "./${name}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
    "${dict[@]}" -artifact_prefix="$build/findings/$name/" -print_final_stats=1 \
    "$build/corpus/$name" "$root/fuzz/corpus/$name")
  echo "Fuzzing $name: no finding in ${seconds} s."
done
