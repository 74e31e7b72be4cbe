#!/usr/bin/env bash
# The 32-bit Windows programs: installs MinGW-w64 and 32-bit Wine when missing, cross-builds,
# runs the whole test suite under Wine and checks that kavoxm.exe renders the same bytes as
# the Linux build: with SSE2 (preset win32) and without (preset win32-x87), for every song of
# the shared corpus (skipped when absent) and for Ostrel/Sombrevallis.xm with each output
# option. Usage: scripts/win32.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
corpus=$root/../shared/corpus/songs

step() { echo "-- $1 (${SECONDS}s)"; }
name_of() { local path=${1#"$root/build/"}; echo "${path%%/*}"; } # a program's preset

scripts/deps.sh win32
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
# No Mono or Gecko: nothing here needs them, and their installers would be offered.
export WINEDLLOVERRIDES="mscoree,mshtml="
step "Wine prefix"
wineboot --init >/dev/null 2>&1 || true
wineserver --wait || true

step "cross build (win32, SSE2)"
cmake --preset win32 >/dev/null
cmake --build --preset win32
step "tests under Wine"
# A test program now and then dies under Wine (an access violation) while exiting, after its
# test passed; a test that fails twice in a row fails the stage.
ctest --preset win32 -j2 --repeat until-pass:2

step "cross build (win32-x87, no SSE2)"
cmake --preset win32-x87 >/dev/null
cmake --build --preset win32-x87 --target kavoxm_tool
# The reference is the debug build, which CI has just built for its tests.
step "Linux reference build"
cmake --preset debug >/dev/null
cmake --build --preset debug --target kavoxm_tool

linux=$root/build/debug/tools/kavoxm/kavoxm
windows=("$root/build/win32/tools/kavoxm/kavoxm.exe" "$root/build/win32-x87/tools/kavoxm/kavoxm.exe")
# Each program: a PE32 console program that imports system DLLs only.
stub=$root/build/win32/tools/stub/kavoxm-stub-win32.exe
for exe in "$root/build/win32/Ostrel/Ostrel.exe" "$stub" "${windows[@]}"; do
  headers=$(i686-w64-mingw32-objdump -p "$exe")
  grep -q $'^Magic\t\t\t010b' <<<"$headers" || { echo "FAIL: $exe is not PE32" >&2; exit 1; }
  grep -q $'^Subsystem\t\t00000003' <<<"$headers" || { echo "FAIL: $exe is not a console program" >&2; exit 1; }
  imports=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | sort -u | tr '\n' ' ')
  echo "$(name_of "$exe") $(basename "$exe"): PE32 console program importing $imports"
  for dll in $imports; do
    case "${dll,,}" in
      kernel32.dll | msvcrt.dll | winmm.dll) ;;
      *) echo "FAIL: $exe imports $dll" >&2; exit 1 ;;
    esac
  done
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
# Renders `song` with the Linux build and each Windows build at once and compares the bytes.
compare() {
  local song=$1 exe
  shift
  rm -f "$work"/*.wav # render never overwrites a file
  timeout 900 "$linux" render "$song" -o "$work/linux.wav" "$@" 2>/dev/null &
  for exe in "${windows[@]}"; do
    timeout 900 wine "$exe" render "$(winepath -w "$song")" -o "$(winepath -w "$work/$(name_of "$exe").wav")" \
      "$@" 2>/dev/null &
  done
  wait
  for exe in "${windows[@]}"; do
    if cmp -s "$work/linux.wav" "$work/$(name_of "$exe").wav"; then
      echo "same: $(basename "$song") $* ($(name_of "$exe"))"
    else
      echo "FAIL: $(basename "$song") $* differs ($exe)" >&2
      failures=$((failures + 1))
    fi
  done
}

step "renders compared with the Linux build"
sombrevallis=$root/Ostrel/Sombrevallis.xm
compare "$sombrevallis"
compare "$sombrevallis" --interpolation nearest --bits 8 --mono
compare "$sombrevallis" --interpolation linear --rate 22050
compare "$sombrevallis" --no-clip --master-volume 256 --loops 2
# Raw PCM on stdout, byte for byte.
"$linux" render "$sombrevallis" -o - --seconds 5 >"$work/linux.raw"
for exe in "${windows[@]}"; do
  wine "$exe" render "$(winepath -w "$sombrevallis")" -o - --seconds 5 >"$work/win.raw"
  if cmp -s "$work/linux.raw" "$work/win.raw"; then
    echo "same: raw PCM on stdout ($(name_of "$exe"))"
  else
    echo "FAIL: raw PCM on stdout differs ($exe)" >&2
    failures=$((failures + 1))
  fi
done
if [ -d "$corpus" ]; then
  for song in "$corpus"/*.xm; do compare "$song"; done
else
  echo "no corpus at $corpus: skipping its songs"
fi
# `kavoxm exe` for Windows: the Linux tool puts a song after the Windows stub, and the program
# renders under Wine what `kavoxm render` writes with the same settings.
step "kavoxm exe: Windows players under Wine"
player_renders() {
  local song=$1
  shift
  rm -f "$work"/*.wav "$work/player.exe"
  "$linux" exe "$song" -o "$work/player.exe" --stub "$stub" "$@"
  "$linux" render "$song" -o "$work/linux.wav" "$@"
  if wine "$work/player.exe" --wav "$(winepath -w "$work/player.wav")" >/dev/null 2>&1 &&
    cmp -s "$work/linux.wav" "$work/player.wav"; then
    echo "same: player for $(basename "$song") $*"
  else
    echo "FAIL: the Windows player for $(basename "$song") $* renders differently" >&2
    failures=$((failures + 1))
  fi
}
player_renders "$sombrevallis" --master-volume 230 --interpolation linear --stereo-separation 50
if [ -d "$corpus" ]; then
  mapfile -t exe_songs < <(find "$corpus" -maxdepth 1 -name '*.xm' | sort | head -2)
  player_renders "${exe_songs[0]}"
  player_renders "${exe_songs[1]}" --loops 2 --interpolation nearest
fi
# A player cut short is refused with a message and exit code 1.
head -c -1 "$work/player.exe" >"$work/cut.exe"
set +e
message=$(wine "$work/cut.exe" --wav "$(winepath -w "$work/cut.wav")" 2>&1 >/dev/null)
code=$?
set -e
if [ "$code" -eq 1 ] && grep -q "no complete song" <<<"$message"; then
  echo "refused: a Windows player cut short ($message)"
else
  echo "FAIL: a Windows player cut short gave exit code $code: $message" >&2
  failures=$((failures + 1))
fi
step "done"
[ "$failures" -eq 0 ] || { echo "$failures render(s) differ" >&2; exit 1; }
