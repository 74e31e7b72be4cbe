#!/usr/bin/env bash
# examples/sdl_play.c plays a corpus song through SDL's dummy audio driver for two seconds: it
# ends by itself and the song has advanced by about that time.
# Usage: sdl_play.sh SDL_PLAY CORPUS_DIR
set -euo pipefail
program=$1 song=$2/songs/milky.xm
[ -f "$song" ] || { echo "corpus song $song not found: skipped"; exit 77; }
output=$(SDL_AUDIODRIVER=dummy timeout 30 "$program" "$song" 2)
echo "$output"
seconds=$(echo "$output" | sed -n 's/^played \([0-9.]*\) s.*/\1/p')
awk -v s="$seconds" 'BEGIN { exit !(s >= 1.0 && s <= 4.0) }' ||
  { echo "expected about 2 s of song time, got '$seconds'"; exit 1; }
