#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing (as root), or prints the
# apt-get line to run. Usage: scripts/deps.sh [build|test|fuzz|win32|web]
# win32: the i686 MinGW-w64 cross compiler (posix threads) and 32-bit Wine to run its programs;
# the i386 architecture is added to dpkg first when it is not there yet.
# web: Emscripten (with acorn for Debian's emcc), Node.js with npm and Chromium for the page and
# its browser tests. libflac-dev: FLAC output of `kavoxm render`; alsa-utils: aplay, for the
# README's raw PCM pipe; flac: the tests decode FLAC output with it.
set -euo pipefail
kind=${1:-build}
packages=(cmake make g++ pkg-config libasound2-dev libcli11-dev libflac-dev alsa-utils)
case "$kind" in
  test) packages+=(libgtest-dev flac)
        packages+=(doxygen libsdl2-dev python3-numpy python3-pytest # packaging tests
        python3-pip python3-setuptools python3-wheel python3-venv) ;; # pip install ./python
  fuzz) packages+=(libgtest-dev clang libclang-rt-14-dev) ;;
  win32) packages+=(googletest g++-mingw-w64-i686-posix wine wine32:i386) ;;
  web)
    packages+=(emscripten node-acorn chromium fonts-dejavu-core nodejs python3)
    command -v npm >/dev/null || packages+=(npm)
    ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  if [ "$kind" = win32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Missing packages. Run as root:" >&2
  [ "$kind" = win32 ] && echo "  dpkg --add-architecture i386 && apt-get update" >&2
  echo "  apt-get install -y ${missing[*]}" >&2
  exit 1
fi
