#!/usr/bin/env bash
# Sizes of the standalone players: the player stubs, Ostrel, and Sombrevallis as a program made
# by `kavoxm exe`, for Linux (x86-64) and 32-bit Windows, each stripped of symbols, against the
# size targets of the Windows programs. Reads the builds that exist (default: build/release or
# build/debug for Linux, build/win32 for Windows); builds nothing.
# Usage: bench/sizes.sh [--check] [LINUX_BUILD_DIR] [WIN32_BUILD_DIR]
#   --check  exit 1 when a Windows program is over its target
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
linux=${1:-}
if [ -z "$linux" ]; then
  for dir in build/release build/debug; do [ -x "$dir/tools/kavoxm/kavoxm" ] && { linux=$dir; break; }; done
fi
win32=${2:-build/win32}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
over=0

# Prints one line: what, target, stripped bytes (KiB) and, with a limit, how it stands. A
# generated program is measured as it is (`none`): stripping would drop its song.
report() {
  local what=$1 target=$2 file=$3 strip=$4 limit=${5:-}
  if [ ! -f "$file" ]; then
    printf '%-28s %-6s %s\n' "$what" "$target" "not built ($file)"
    return
  fi
  if [ "$strip" = none ]; then cp "$file" "$work/stripped"; else "$strip" -o "$work/stripped" "$file"; fi
  local bytes
  bytes=$(stat -c %s "$work/stripped")
  local line
  line=$(printf '%-28s %-6s %9d bytes %7.1f KiB' "$what" "$target" "$bytes" "$(awk "BEGIN { print $bytes / 1024 }")")
  if [ -n "$limit" ]; then
    if [ "$bytes" -le "$limit" ]; then
      line+="   target <= $((limit / 1024)) KiB: ok"
    else
      line+="   target <= $((limit / 1024)) KiB: OVER by $((bytes - limit)) bytes"
      over=1
    fi
  fi
  echo "$line"
}

tool=${linux:+$linux/tools/kavoxm/kavoxm}
song=Ostrel/Sombrevallis.xm
# Sombrevallis as a generated program, through the given stub (the Linux tool writes both).
make_player() {
  local stub=$1 out=$2
  [ -n "$tool" ] && [ -x "$tool" ] && [ -f "$stub" ] || return 0
  "$tool" exe "$song" -o "$out" --stub "$stub" --master-volume 230 --force
}

echo "Standalone players (stripped sizes; song: $(stat -c %s "$song") bytes)"
linux_stub=${linux:-build/release}/tools/stub/kavoxm-stub-linux
report "player stub" linux "$linux_stub" strip
report "Ostrel" linux "${linux:-build/release}/Ostrel/Ostrel" strip
if [ -f "$linux_stub" ]; then
  # Strip the stub first: a program's song lies past the end of its sections.
  strip -o "$work/stub-linux" "$linux_stub"
  make_player "$work/stub-linux" "$work/sombrevallis-linux"
fi
report "Sombrevallis (kavoxm exe)" linux "$work/sombrevallis-linux" none
win_strip=i686-w64-mingw32-strip
command -v "$win_strip" >/dev/null || win_strip=strip
report "player stub" win32 "$win32/tools/stub/kavoxm-stub-win32.exe" "$win_strip" $((128 * 1024))
report "Ostrel.exe" win32 "$win32/Ostrel/Ostrel.exe" "$win_strip" $((160 * 1024))
if [ -f "$win32/tools/stub/kavoxm-stub-win32.exe" ]; then
  "$win_strip" -o "$work/stub-win32.exe" "$win32/tools/stub/kavoxm-stub-win32.exe"
  make_player "$work/stub-win32.exe" "$work/sombrevallis-win32.exe"
fi
report "Sombrevallis (kavoxm exe)" win32 "$work/sombrevallis-win32.exe" none
[ "$check" -eq 0 ] || [ "$over" -eq 0 ]
