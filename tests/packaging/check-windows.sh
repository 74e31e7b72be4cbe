#!/usr/bin/env bash
# The Windows zip as a user gets it: unpacked, it holds the programs, the DLL with its import
# library and .def, the C header and the documentation; the README's host, built with MinGW-w64
# against the unpacked files alone, runs under Wine and renders the same bytes as the Linux
# tool; kavoxm.exe names its version.
# Usage: check-windows.sh ZIP HOST_SOURCE SONG LINUX_KAVOXM WORK_DIR
set -euo pipefail
zip=$(realpath "$1") host=$(realpath "$2") song=$(realpath "$3") linux=$(realpath "$4") work=$5
command -v i686-w64-mingw32-gcc-posix >/dev/null && command -v wine >/dev/null ||
  { echo "MinGW-w64 or Wine is missing"; exit 77; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$work" && mkdir -p "$work" && cd "$work"
cmake -E tar xf "$zip"
top=$work/$(basename "$zip" .zip)
for file in bin/Ostrel.exe bin/kavoxm.exe bin/libkavoxm.dll lib/libkavoxm.dll.a lib/libkavoxm.def \
            include/KavoXM/capi/kavoxm.h doc/README.md; do
  [ -s "$top/$file" ] || { echo "the zip lacks $file"; exit 1; }
done
grep -q '^ *kavoxm_render_s16' "$top/lib/libkavoxm.def" || { echo "the .def lists no exports"; exit 1; }
# Built against the unpacked files only, beside the DLL as a Windows program would be. The host
# writes PCM to standard output, which Windows opens in text mode (a 0x0A byte would become
# CR LF): a file included first switches it to binary mode before main.
cat > binary_stdout.h <<'C'
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
__attribute__((constructor)) static void binary_stdout(void) { _setmode(_fileno(stdout), _O_BINARY); }
C
i686-w64-mingw32-gcc-posix -std=c99 -O2 -include "$work/binary_stdout.h" -o "$top/bin/host.exe" \
  "$host" -I"$top/include" -L"$top/lib" -lkavoxm
imports=$(i686-w64-mingw32-objdump -p "$top/bin/host.exe")
grep -qi 'DLL Name: libkavoxm.dll' <<<"$imports" || { echo "host.exe does not import libkavoxm.dll"; exit 1; }
version=$(wine "$top/bin/kavoxm.exe" --version | tr -d '\r')
[ "$version" = "$("$linux" --version)" ] || { echo "kavoxm.exe --version: '$version'"; exit 1; }
echo "$version"
"$linux" render "$song" -o - > expected.raw
wine "$top/bin/host.exe" "$(winepath -w "$song")" > host.raw
cmp -s expected.raw host.raw || { echo "host.exe under Wine: differs from the Linux render"; exit 1; }
echo "host.exe under Wine: the same $(stat -c %s host.raw) bytes as the Linux kavoxm render"
# The unpacked kavoxm.exe finds the Windows player stub in ../lib/kavoxm.
if [ -f "$top/lib/kavoxm/kavoxm-stub-win32.exe" ]; then
  "$linux" render "$song" -o expected.wav
  wine "$top/bin/kavoxm.exe" exe "$(winepath -w "$song")" -o player.exe --target win32 >/dev/null
  wine player.exe --wav player.wav >/dev/null
  cmp -s expected.wav player.wav || { echo "kavoxm.exe exe: the player renders otherwise"; exit 1; }
  echo "kavoxm.exe exe under Wine: the player renders the same WAV as the Linux kavoxm render"
fi
