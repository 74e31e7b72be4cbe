#!/usr/bin/env bash
# The Debian packages as a user gets them: lintian finds no error; `apt-get install ./*.deb`
# installs them with their computed dependencies; the README's host builds against the
# installed files with pkg-config (shared and --static) and with CMake, and renders the same
# bytes as the installed `kavoxm render`, and so do the players `kavoxm exe` makes; the man
# pages and the completion are in place; then the packages are removed and leave nothing
# behind. Needs root (apt-get).
# Usage: check-debian.sh PACKAGE_DIR HOST_SOURCE SONG
set -euo pipefail
dir=$(realpath "$1") host=$(realpath "$2") song=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
[ "$(id -u)" -eq 0 ] || { echo "check-debian: needs root to install packages"; exit 77; }
debs=("$dir"/*.deb)
names=(libkavoxm0 libkavoxm-dev kavoxm)
[ ${#debs[@]} -eq 3 ] || { echo "expected 3 packages, found ${#debs[@]}"; exit 1; }

lintian --fail-on error --suppress-tags-from-file /dev/null "${debs[@]}"
echo "lintian: no errors"
for deb in "${debs[@]}"; do
  echo "$(dpkg-deb -f "$deb" Package): Depends: $(dpkg-deb -f "$deb" Depends)"
done
[[ $(dpkg-deb -f "$dir"/kavoxm_*.deb Depends) == *libc6* ]] || { echo "kavoxm: no computed dependencies"; exit 1; }
[[ $(dpkg-deb -f "$dir"/libkavoxm-dev_*.deb Depends) == *libkavoxm0* ]] ||
  { echo "libkavoxm-dev does not depend on libkavoxm0"; exit 1; }

work=$(mktemp -d)
remove() { apt-get remove -y -qq --purge "${names[@]}" >/dev/null 2>&1 || true; rm -rf "$work"; }
trap remove EXIT
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null
echo "installed: $(dpkg-query -W -f '${Package} ${Version}, ' "${names[@]}")"

kavoxm --version
for file in /usr/share/man/man1/kavoxm.1.gz /usr/share/man/man1/Ostrel.1.gz \
            /usr/share/man/man3/libkavoxm.3.gz /usr/share/bash-completion/completions/kavoxm \
            /usr/share/doc/kavoxm/html/index.html /usr/include/KavoXM/capi/kavoxm.h; do
  [ -s "$file" ] || { echo "missing: $file"; exit 1; }
done
library=$(dpkg -L libkavoxm0 | grep 'libkavoxm\.so\.0$')
if readelf -d "$library" | grep NEEDED | grep -q asound; then echo "$library needs ALSA"; exit 1; fi

kavoxm render "$song" -o - > "$work/expected.raw"
same() {
  cmp -s "$work/expected.raw" "$2" || { echo "$1: differs from kavoxm render"; exit 1; }
  echo "$1: same $(stat -c %s "$2") bytes as kavoxm render"
}
cc -o "$work/host" "$host" $(pkg-config --cflags --libs kavoxm)
"$work/host" "$song" > "$work/shared.raw"
same "pkg-config" "$work/shared.raw"
cc -o "$work/host_static" "$host" $(pkg-config --static --cflags --libs kavoxm)
if readelf -d "$work/host_static" | grep -q 'NEEDED.*libkavoxm'; then echo "--static linked the shared library"; exit 1; fi
"$work/host_static" "$song" > "$work/static.raw"
same "pkg-config --static" "$work/static.raw"
cmake -S "$here/hosts" -B "$work/cmake" -DHOST_SOURCE="$host" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/host_shared" "$song" > "$work/cmake.raw"
same "find_package(KavoXM)" "$work/cmake.raw"

# The installed tool finds the installed player stubs: a generated player renders what
# `kavoxm render` writes (the Windows one under Wine, when the package carries its stub).
kavoxm render "$song" -o "$work/render.wav"
kavoxm exe "$song" -o "$work/player" --target linux
"$work/player" --wav "$work/player.wav" >/dev/null
cmp -s "$work/render.wav" "$work/player.wav" || { echo "kavoxm exe, linux: differs"; exit 1; }
echo "kavoxm exe, linux: the same WAV as kavoxm render"
if [ -f /usr/lib/kavoxm/kavoxm-stub-win32.exe ] && command -v wine >/dev/null; then
  kavoxm exe "$song" -o "$work/player.exe" --target win32
  (cd "$work" && WINEDEBUG=-all wine player.exe --wav player32.wav >/dev/null)
  cmp -s "$work/render.wav" "$work/player32.wav" || { echo "kavoxm exe, win32: differs"; exit 1; }
  echo "kavoxm exe, win32 under Wine: the same WAV as kavoxm render"
fi

remove
trap - EXIT
left=$(dpkg-query -W -f '${Package} ${Status}\n' "${names[@]}" 2>/dev/null | grep ' installed$' || true)
[ -z "$left" ] || { echo "still installed: $left"; exit 1; }
[ ! -e /usr/include/KavoXM ] && [ ! -e "$library" ] || { echo "files left after removal"; exit 1; }
echo "removed; nothing left"
