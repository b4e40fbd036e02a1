#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine on a virtual X display.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
cd "$top/build"
jobs=$(nproc)
exec xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs" "$@"
