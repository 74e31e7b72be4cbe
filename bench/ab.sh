#!/usr/bin/env bash
# A/B timing of two kavoxm binaries rendering the same songs, runs interleaved (old, new, old,
# new, ...) so that load on a shared machine hits both alike. Prints the median CPU time (task
# clock) of each and their ratio.
#
# Usage: bench/ab.sh OLD_KAVOXM NEW_KAVOXM RUNS SONG...
set -euo pipefail
old="$1"
new="$2"
runs="$3"
shift 3
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cpu() {
    perf stat -x, -e task-clock -o "$work/stat" "$@" >/dev/null 2>&1
    awk -F, '/task-clock/ {print $1}' "$work/stat"
}
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
printf '%-20s %10s %10s %8s\n' song old_ms new_ms old/new
for song in "$@"; do
    : >"$work/old"
    : >"$work/new"
    for _ in $(seq "$runs"); do
        rm -f "$work/out.wav" # render never overwrites a file
        cpu "$old" render "$song" -o "$work/out.wav" >>"$work/old"
        rm -f "$work/out.wav"
        cpu "$new" render "$song" -o "$work/out.wav" >>"$work/new"
    done
    o=$(median <"$work/old")
    n=$(median <"$work/new")
    printf '%-20s %10.1f %10.1f %8.2f\n' "$(basename "$song")" "$o" "$n" "$(echo "$o / $n" | bc -l)"
done
