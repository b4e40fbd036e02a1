#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vexlora under Wine in a Wine virtual desktop:
# on $DISPLAY when it is set, else on a virtual X display of its own.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"

build="$top/build"
arch=win32
wine=wine
if ! "$top/scripts/can-run-i386.sh"; then
  echo "This machine's kernel cannot run 32-bit x86 programs: starting the 64-bit build of the same sources."
  "$top/scripts/build.sh" x64
  build="$top/build-x64"
  arch=win64
  wine=/usr/lib/wine/wine64
  export WINELOADER=$wine
fi

export WINEPREFIX="$build/wine/run-$arch"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX (once)..."
  WINEARCH=$arch "$wine" wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  sleep 1
  echo "No DISPLAY was set: Vexlora runs on the virtual display $DISPLAY."
  echo "To see it, take a screenshot from another shell:"
  echo "  DISPLAY=$DISPLAY import -window root vexlora.png"
fi
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true' EXIT

echo "Starting Vexlora (program folder: $build/Vexlora). Ctrl+C ends it."
cd "$build/Vexlora"
# Wine gives a virtual desktop a taskbar with its notification area only when it is named "shell".
"$wine" explorer /desktop=shell,1280x800 Vexlora.exe "$@"
