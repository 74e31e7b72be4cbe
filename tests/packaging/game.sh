#!/usr/bin/env bash
# examples/game.c follows a scripted key sequence on SDL's dummy audio driver: a fade of the
# first channels ends, a sound effect starts, and a jump queued for the pattern's end lands on
# order 2's row 0 right after the last row of a pattern (its row count from `kavoxm trace`).
# Usage: game.sh GAME KAVOXM SONG
set -euo pipefail
program=$1 tool=$2 song=$3
log=$(SDL_AUDIODRIVER=dummy timeout 60 "$program" "$song" --script 'f3a....q')
grep -v '^event .* \(row\|note\) ' <<<"$log" | head -40 || true
fail() { echo "game.sh: $*"; exit 1; }
grep -q '^key 3: queue order 2 at the pattern end: no error$' <<<"$log" ||
  fail "the jump was not queued"
grep -Eq '^key a: effect [1-9][0-9]*, instrument 1$' <<<"$log" || fail "no sound effect"
grep -q '^event [0-9]* fade-end 0 0 0$' <<<"$log" || fail "channel 0's fade did not end"
grep -q '^events lost 0$' <<<"$log" || fail "events were lost"
taken=$(awk '$1 == "event" && $3 == "jump-taken" && !n++ { print $2, $4, $6 }' <<<"$log")
[ -n "$taken" ] || fail "the queued jump was not taken"
read -r frame order row <<<"$taken"
[ "$order" = 2 ] && [ "$row" = 0 ] || fail "the jump landed on order $order row $row"
# The row event on the landing frame, and the row before it: the last row of its pattern.
landing=$(awk -v f="$frame" '$1 == "event" && $3 == "row" && $2 == f { print $4, $6 }' <<<"$log")
[ "$landing" = "2 0" ] || fail "no row event for order 2 row 0 at frame $frame (got '$landing')"
read -r pattern last <<<"$(awk -v f="$frame" \
  '$1 == "event" && $3 == "row" && $2 < f { p = $5; r = $6 } END { print p, r }' <<<"$log")"
rows=$("$tool" trace "$song" | awk -v p="$pattern" '$4 == p && $5 + 1 > n { n = $5 + 1 } END { print n }')
[ $((last + 1)) = "$rows" ] || fail "the jump came after row $last of pattern $pattern ($rows rows)"
echo "game.sh: jump taken at frame $frame after row $last of pattern $pattern ($rows rows)"
