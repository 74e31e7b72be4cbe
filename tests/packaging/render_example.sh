#!/usr/bin/env bash
# examples/render.c, on the C API alone, writes the same bytes as `kavoxm render` with the same
# options: 16-bit WAV, float WAV, raw 16-bit, raw mono at 48000 Hz on the repository's song, and
# (when the corpus is there) one of them on each of two corpus songs.
# Usage: render_example.sh RENDER_EXAMPLE KAVOXM_TOOL WORK_DIR SONG CORPUS_DIR
set -euo pipefail
example=$1 tool=$2 work=$3 song=$4 corpus=$5
rm -rf "$work" && mkdir -p "$work"
songs=("$song")
for name in rhino_sting.xm game_arg_sky.xm; do
  [ -f "$corpus/songs/$name" ] && songs+=("$corpus/songs/$name")
done
[ ${#songs[@]} -gt 1 ] || echo "corpus not found at $corpus: the repository's song alone"
status=0
check() { # SONG LABEL "EXAMPLE OPTIONS" "TOOL OPTIONS"
  local input=$1 label=$2 base
  base=$work/$(basename "$input" .xm)_$label
  # shellcheck disable=SC2086 # the option lists are split on purpose
  "$example" "$input" "$base.example" $3
  if [[ $label == raw* ]]; then
    "$tool" render "$input" $4 -o - > "$base.tool" 2>/dev/null
  else
    "$tool" render "$input" $4 -o "$base.tool.wav" 2>/dev/null && mv "$base.tool.wav" "$base.tool"
  fi
  if cmp -s "$base.example" "$base.tool"; then
    echo "same  $label $(basename "$input"): $(stat -c %s "$base.tool") bytes"
  else
    echo "DIFF  $label $(basename "$input"): example $(stat -c %s "$base.example") bytes, tool" \
      "$(stat -c %s "$base.tool") bytes; $(cmp "$base.example" "$base.tool" 2>&1 | head -1)"
    status=1
  fi
}
sets=("wav16||" "wavfloat|--float|--bits 32f" "raw16|--raw|" \
  "raw_mono48k|--raw --mono --rate 48000|--mono --rate 48000")
for set in "${sets[@]}"; do
  IFS='|' read -r label ours theirs <<< "$set"
  check "$song" "$label" "$ours" "$theirs"
done
[ ${#songs[@]} -gt 1 ] && check "${songs[1]}" wav16 "" ""
[ ${#songs[@]} -gt 2 ] && check "${songs[2]}" raw_mono48k "--raw --mono --rate 48000" "--mono --rate 48000"
exit $status
