#!/usr/bin/env bash
# Renders every corpus song with two kavoxm binaries in several output configurations (stereo
# and mono, 16 and 8 bits, clipping and wrapping, every interpolation mode, two rates) and
# compares the files byte for byte. Exit status 1 when any pair differs.
#
# Usage: bench/same_output.sh OLD_KAVOXM NEW_KAVOXM [SONG_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
old="$1"
new="$2"
songs="${3:-$here/../../shared/corpus/songs}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
configs=(
    ""
    "--mono"
    "--bits 8"
    "--no-clip --master-volume 256"
    "--mono --bits 8 --no-clip"
    "--interpolation linear"
    "--interpolation nearest --mono"
    "--rate 22050"
    "--rate 96000 --master-volume 256"
)
status=0
for song in "$songs"/*.xm; do
    name="$(basename "$song")"
    for config in "${configs[@]}"; do
        # shellcheck disable=SC2086 # the options are meant to be split
        rm -f "$work/old.wav" "$work/new.wav" # render never overwrites a file
        "$old" render "$song" -o "$work/old.wav" $config >/dev/null
        # shellcheck disable=SC2086
        "$new" render "$song" -o "$work/new.wav" $config >/dev/null
        if cmp -s "$work/old.wav" "$work/new.wav"; then
            echo "same     $name $config"
        else
            echo "DIFFERENT $name $config"
            status=1
        fi
    done
done
exit $status
