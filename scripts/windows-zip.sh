#!/usr/bin/env bash
# Packs the 32-bit Windows build into a zip: bin/ (Ostrel.exe, kavoxm.exe, libkavoxm.dll),
# lib/ (the import library libkavoxm.dll.a and libkavoxm.def; kavoxm/ the player stubs of
# `kavoxm exe` where they are built), include/ (the C header), doc/
# (README, the API reference and the man pages when DOCS_DIR has them). Every file in a folder
# named kavoxm-VERSION-win32. Usage: scripts/windows-zip.sh BUILD_DIR DOCS_DIR OUT.zip
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 docs=$2 zip=$(realpath -m "$3")
name=$(basename "$zip" .zip)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=$stage/$name
mkdir -p "$top"/{bin,lib,include/KavoXM/capi,doc}
cp "$build/Ostrel/Ostrel.exe" "$build/tools/kavoxm/kavoxm.exe" "$build/libkavoxm.dll" "$top/bin/"
cp "$build/libkavoxm.dll.a" "$build/libkavoxm.def" "$top/lib/"
# The player stubs that `kavoxm exe` copies, where it looks for them (../lib/kavoxm).
for stub in "$build"/tools/stub/kavoxm-stub-*.exe; do
  if [ -f "$stub" ]; then mkdir -p "$top/lib/kavoxm" && cp "$stub" "$top/lib/kavoxm/"; fi
done
cp KavoXM/capi/kavoxm.h "$top/include/KavoXM/capi/"
cp README.md "$top/doc/"
[ -d "$docs/html" ] && cp -r "$docs/html" "$top/doc/"
[ -d "$docs/man" ] && mkdir -p "$top/doc/man" && cp "$docs"/man/*.[13] "$top/doc/man/"
# The programs are stripped of their symbols, as installed programs are.
i686-w64-mingw32-strip "$top"/bin/*
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip "$name")
echo "windows zip: $zip ($(stat -c %s "$zip") bytes, $(cd "$stage" && find "$name" -type f | wc -l) files)"
