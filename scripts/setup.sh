#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, and fetches
# the sources of minizip (zlib's source package) and TinyXML into deps/.
# Safe to run again: it installs only what is missing and keeps what it fetched.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cache="$top/deps"

packages=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
          binutils-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386 wine64
          xvfb xauth xdotool googletest dpkg-dev cmake ninja-build imagemagick sox clang-format)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

need_src=0
[ -f "$cache/tinyxml.stamp" ] && [ -f "$cache/zlib.stamp" ] || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_ dpkg --add-architecture i386
  fi
  # apt-get source needs a deb-src entry for this suite's main component.
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    . /etc/os-release
    sudo_ tee /etc/apt/sources.list.d/vexlora-deb-src.sources >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: ${VERSION_CODENAME}
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  sudo_ apt-get update -qq
fi

install_missing() {
  [ $# -gt 0 ] || return 0
  echo "Installing: $*"
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
install_missing "${missing[@]}"

# A machine whose kernel cannot run 32-bit x86 programs tests a 64-bit build instead
# (scripts/build.sh x64): it needs the 64-bit cross compiler.
if ! "$top/scripts/can-run-i386.sh"; then
  extra=()
  for p in g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || extra+=("$p")
  done
  install_missing "${extra[@]}"
fi

fetch_source() { # $1 package, $2 stamp name
  [ -f "$cache/$2.stamp" ] && return 0
  rm -rf "$cache/$2"
  mkdir -p "$cache/$2"
  (cd "$cache/$2" && apt-get source -qq "$1" >/dev/null 2>&1)
  local dir
  dir=$(find "$cache/$2" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$dir" ] || { echo "apt-get source $1 gave nothing" >&2; exit 1; }
  echo "$dir" > "$cache/$2.stamp"
}
fetch_source tinyxml tinyxml
fetch_source zlib zlib
echo "Set-up complete."
