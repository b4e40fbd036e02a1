#!/usr/bin/env bash
# Configures (once) and builds everything into build/; the program folder is build/Vexlora.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$top/build/build.ninja" ]; then
  cmake -S "$top" -B "$top/build" -G Ninja >/dev/null
fi
cmake --build "$top/build"
