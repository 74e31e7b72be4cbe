#!/usr/bin/env bash
# Renders every corpus song with kavoxm, openmpt123 and xmp side by side (44100 Hz, 16-bit
# stereo WAV, 4-tap/spline interpolation, one pass) and prints the median CPU time (user +
# system, so that other load on the machine counts less) of RUNS runs of each, and how many
# times faster we are.
#
# Usage: bench/compare.sh [KAVOXM_BINARY] [SONG_DIR] [RUNS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
kavoxm="${1:-$here/../build/release/tools/kavoxm/kavoxm}"
songs="${2:-$here/../../shared/corpus/songs}"
runs="${3:-3}"
for tool in "$kavoxm" openmpt123 xmp; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Prints the CPU seconds one command takes (its task clock, as perf counts it; user + system
# time from GNU time where perf is missing); its output is discarded.
timed() {
    if command -v perf >/dev/null; then
        perf stat -x, -e task-clock -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        awk -F, '/task-clock/ {print $1 / 1000}' "$work/time"
    else
        /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        awk '{print $1 + $2}' "$work/time"
    fi
}
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

printf '%-20s %10s %10s %10s %12s %12s\n' song kavoxm_s openmpt_s xmp_s openmpt/ours xmp/ours
for song in "$songs"/*.xm; do
    name="$(basename "$song")"
    cp "$song" "$work/$name" # openmpt123 --render writes next to its input
    : >"$work/ours" ; : >"$work/openmpt" ; : >"$work/xmp"
    for _ in $(seq "$runs"); do
        rm -f "$work/ours.wav" # render never overwrites a file
        timed "$kavoxm" render "$work/$name" -o "$work/ours.wav" >>"$work/ours"
        timed openmpt123 --quiet --render --force --filter 4 --samplerate 44100 --no-float \
            --output-type wav "$work/$name" >>"$work/openmpt"
        timed xmp -q -i spline -f 44100 -o "$work/xmp.wav" "$work/$name" >>"$work/xmp"
    done
    ours=$(median <"$work/ours"); openmpt=$(median <"$work/openmpt"); xmp=$(median <"$work/xmp")
    printf '%-20s %10.3f %10.3f %10.3f %12.2f %12.2f\n' "$name" "$ours" "$openmpt" "$xmp" \
        "$(echo "$openmpt / $ours" | bc -l)" "$(echo "$xmp / $ours" | bc -l)"
done
