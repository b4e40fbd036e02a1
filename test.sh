#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine on a virtual X display.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
build="$top/build"
if ! "$top/scripts/can-run-i386.sh"; then
  cat >&2 <<'MSG'
*** This machine's kernel cannot run 32-bit x86 programs, so Wine cannot start the 32-bit
*** programs built in build/. The tests run on a 64-bit build of the same sources under
*** wine64 instead (build-x64/). Not covered there: the WoW64 road and the x86 exception guard.
MSG
  "$top/scripts/build.sh" x64
  build="$top/build-x64"
fi
cd "$build"
jobs=$(nproc)
exec xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs" "$@"
