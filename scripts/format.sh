#!/usr/bin/env bash
# Formats every C++ file of ours with the committed .clang-format.
# "format.sh --check" changes nothing and fails, naming each file the formatter would change.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! clang-format --style=file "$f" | cmp -s - "$f"; then
      echo "not formatted: $f (run scripts/format.sh)" >&2
      bad=1
    fi
  done
  exit $bad
fi
clang-format --style=file -i "${files[@]}"
