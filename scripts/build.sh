#!/usr/bin/env bash
# Configures (once) and builds everything into build/; the program folder is build/Vexlora.
# "build.sh x64" builds the same sources for 64-bit Windows into build-x64/, the test build
# for machines that cannot run 32-bit programs (see scripts/can-run-i386.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir="$top/build"
toolchain="$top/cmake/toolchain-i686-mingw.cmake"
if [ "${1:-}" = x64 ]; then
  dir="$top/build-x64"
  toolchain="$top/cmake/toolchain-x86_64-mingw.cmake"
fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
fi
cmake --build "$dir"
