#!/usr/bin/env bash
# Fails when a source file differs from what clang-format makes of it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror --style=file "${files[@]}"
echo "Formatting: ${#files[@]} files clean."
