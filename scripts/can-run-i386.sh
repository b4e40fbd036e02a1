#!/usr/bin/env bash
# Exit 0 when this machine's kernel runs 32-bit x86 Linux programs, as Wine's 32-bit loader
# is one. Some virtual machines switch that off (execve answers "Exec format error").
# The 32-bit dynamic loader comes with wine32's libraries; asking it for its version runs it.
loader=/lib/ld-linux.so.2
[ -x "$loader" ] || exit 2
"$loader" --version >/dev/null 2>&1
