#!/usr/bin/env bash
# Renders every corpus song with two kavoxm binaries in several output configurations (stereo
# and mono, 16 and 8 bits, clipping and wrapping, every interpolation mode, two rates) and
# compares the files byte for byte; then plays every song with both in a few configurations,
# with ALSA's file plugin recording what each sends to the device (played as fast as it comes,
# into the null sink), and compares the recordings. Exit status 1 when any pair differs.
#
# A play recording of the new binary that is the old one's cut short at the song's end counts
# as the same up to the end: earlier builds of `play` sent whole device blocks, whose last
# one went on past the end into the next pass; it is reported as "same-to-end" with the frames
# the old one had more.
#
# Usage: bench/same_output.sh OLD_KAVOXM NEW_KAVOXM [SONG_DIR]
#        SAME_OUTPUT_PLAY=0 skips the play half.
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
    "--start-seconds 47.5 --loops 3 --seconds 20"
    "--start-seconds 200 --loops 5 --rate 48000 --seconds 10"
)
play_configs=(
    ""
    "--rate 48000 --interpolation linear --gain -3 --stereo-separation 50"
    "--loops 2 --master-volume 200"
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
[ "${SAME_OUTPUT_PLAY:-1}" = 0 ] && exit $status

# Plays with `$1` into $work/$2.raw through a home whose ALSA default records to that file.
record_play() {
    local binary="$1" out="$work/$2.raw"
    shift 2
    mkdir -p "$work/home"
    printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' "$out" \
        >"$work/home/.asoundrc"
    rm -f "$out"
    HOME="$work/home" "$binary" play "$@" </dev/null >/dev/null
}
for song in "$songs"/*.xm; do
    name="$(basename "$song")"
    for config in "${play_configs[@]}"; do
        # shellcheck disable=SC2086
        record_play "$old" old "$song" $config
        # shellcheck disable=SC2086
        record_play "$new" new "$song" $config
        # shellcheck disable=SC2086
        "$new" render "$song" -o - $config >"$work/render.raw"
        if ! cmp -s "$work/new.raw" "$work/render.raw"; then
            echo "DIFFERENT play $name $config: not what render gives"
            status=1
        fi
        old_bytes=$(stat -c %s "$work/old.raw")
        new_bytes=$(stat -c %s "$work/new.raw")
        if cmp -s "$work/old.raw" "$work/new.raw"; then
            echo "same     play $name $config"
        elif [ "$new_bytes" -lt "$old_bytes" ] && [ "$new_bytes" -gt 0 ] &&
            cmp -s -n "$new_bytes" "$work/old.raw" "$work/new.raw"; then
            echo "same-to-end play $name $config (old: $(((old_bytes - new_bytes) / 4)) frames more)"
        else
            echo "DIFFERENT play $name $config"
            status=1
        fi
    done
done
exit $status
