#!/usr/bin/env bash
# Fuzzes the engine for SECONDS seconds in all (default 60) with libFuzzer, ASan and UBSan:
# half the time the XM loader alone (fuzz_load), the other half loading and playing what loads
# (fuzz_play). Each corpus starts from the shared XM files when they are there (copied to a
# temporary folder, never into the repository). Exits non-zero when a fuzzer finds a fault;
# the inputs that made it fail are kept in build/fuzz/findings.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
load_seconds=$((seconds / 2))
play_seconds=$((seconds - load_seconds))
scripts/deps.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_load fuzz_play
work=$(mktemp -d /tmp/kavoxm-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
shared=../shared/corpus

# run TARGET SECONDS [extra libFuzzer options]: one fuzzer on its own corpus copy.
run() {
  local target=$1 time=$2
  shift 2
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  if [ -d "$shared" ]; then
    find "$shared" -type f -iname '*.xm' -size -256k -exec cp {} "$work/$target/corpus/" \;
    echo "$target: seeded $(ls "$work/$target/corpus" | wc -l) files from $shared"
  else
    echo "$target: no shared corpus at $shared, starting from an empty corpus"
  fi
  local status=0
  "build/fuzz/fuzz/$target" "$work/$target/corpus" -max_total_time="$time" -rss_limit_mb=2048 \
    -max_len=262144 -artifact_prefix="$work/$target/artifacts/" -print_final_stats=1 "$@" ||
    status=$?
  if [ "$status" -ne 0 ]; then
    mkdir -p build/fuzz/findings
    cp "$work/$target"/artifacts/* build/fuzz/findings/ 2>/dev/null || true
    echo "$target found a fault (exit $status); inputs kept in build/fuzz/findings" >&2
  fi
  return "$status"
}

status=0
run fuzz_load "$load_seconds" || status=$?
# A song that makes a tick or a render run for ever is reported as a timeout.
run fuzz_play "$play_seconds" -timeout=20 || status=$?
exit "$status"
