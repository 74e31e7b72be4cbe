#!/usr/bin/env bash
# Fuzzes the XM loader for SECONDS seconds (default 60) with libFuzzer, ASan and UBSan.
# The corpus starts from the shared XM files when they are there (copied to a temporary
# folder, never into the repository). Exits non-zero when the fuzzer finds a fault.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/deps.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_load
work=$(mktemp -d /tmp/kavoxm-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
shared=../shared/corpus
if [ -d "$shared" ]; then
  find "$shared" -type f -iname '*.xm' -size -256k -exec cp {} "$work/corpus/" \;
  echo "seeded $(ls "$work/corpus" | wc -l) files from $shared"
else
  echo "no shared corpus at $shared: starting from an empty corpus"
fi
status=0
build/fuzz/fuzz/fuzz_load "$work/corpus" -max_total_time="$seconds" -rss_limit_mb=2048 \
  -max_len=262144 -artifact_prefix="$work/artifacts/" -print_final_stats=1 || status=$?
if [ "$status" -ne 0 ]; then
  mkdir -p build/fuzz/findings
  cp "$work"/artifacts/* build/fuzz/findings/ 2>/dev/null || true
  echo "fuzzer found a fault (exit $status); inputs kept in build/fuzz/findings" >&2
fi
exit "$status"
