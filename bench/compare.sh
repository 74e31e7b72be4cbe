#!/usr/bin/env bash
# Renders every corpus song with kavoxm, openmpt123 and xmp side by side (44100 Hz, 16-bit
# stereo WAV, 4-tap/spline interpolation, one pass) and prints, per player, the median wall
# time -- what the user waits for -- and the median CPU time (user + system) of RUNS runs, and
# how many times faster than the faster reference we are in each. The runs are interleaved (one
# of each player in turn) and every run writes a file of a new name, as a user's render does.
#
# Usage: bench/compare.sh [KAVOXM_BINARY] [SONG_DIR] [RUNS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
kavoxm="${1:-$here/../build/release/tools/kavoxm/kavoxm}"
songs="${2:-$here/../../shared/corpus/songs}"
runs="${3:-5}"
for tool in "$kavoxm" openmpt123 xmp python3; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
# Median of column 1 (wall) or 2 (CPU) of a file of "WALL CPU" lines.
column() { awk -v c="$2" '{print $c}' "$1" | median; }
# The faster of two references over ours.
ratio() { awk -v m="$1" -v x="$2" -v o="$3" 'BEGIN {print (m < x ? m : x) / o}'; }

printf '%-24s %27s %27s %10s %10s\n' "" "wall s (ours openmpt xmp)" "cpu s (ours openmpt xmp)" \
    "wall x" "cpu x"
for song in "$songs"/*.xm; do
    name="$(basename "$song")"
    : >"$work/ours" ; : >"$work/openmpt" ; : >"$work/xmp"
    for run in $(seq "$runs"); do
        # openmpt123 --render writes next to its input: a new copy gives a new output name.
        cp "$song" "$work/$run-$name"
        "$here/timed.py" "$kavoxm" render "$song" -o "$work/ours-$run.wav" >>"$work/ours"
        "$here/timed.py" openmpt123 --quiet --render --filter 4 --samplerate 44100 --no-float \
            --output-type wav "$work/$run-$name" >>"$work/openmpt"
        "$here/timed.py" xmp -q -i spline -f 44100 -o "$work/xmp-$run.wav" "$song" >>"$work/xmp"
        rm -f "$work"/*.wav "$work/$run-$name"
    done
    ow=$(column "$work/ours" 1); mw=$(column "$work/openmpt" 1); xw=$(column "$work/xmp" 1)
    oc=$(column "$work/ours" 2); mc=$(column "$work/openmpt" 2); xc=$(column "$work/xmp" 2)
    printf '%-24s %9.3f %8.3f %8.3f %9.3f %8.3f %8.3f %10.2f %10.2f\n' "$name" "$ow" "$mw" "$xw" \
        "$oc" "$mc" "$xc" "$(ratio "$mw" "$xw" "$ow")" "$(ratio "$mc" "$xc" "$oc")"
done
