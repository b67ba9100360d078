#!/usr/bin/env bash
# Formats every tracked C++ file by .clang-format. With --check it changes nothing and fails,
# naming each file that is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh clang-format
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  unformatted=()
  for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
  done
  [ ${#unformatted[@]} -eq 0 ] && exit 0
  printf 'Not formatted (run tools/format.sh): %s\n' "${unformatted[@]}" >&2
  exit 1
fi
printf '%s\0' "${files[@]}" | xargs -0 clang-format -i
