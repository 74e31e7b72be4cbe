#!/usr/bin/env bash
# Fuzzes the engine for SECONDS seconds in all (default 60) with libFuzzer, ASan and UBSan:
# a third of the time the XM loader alone (fuzz_load), a third loading and playing what loads
# (fuzz_play), a third measuring and seeking through the C API (fuzz_scan: subsongs, durations,
# seeks by time). Every input has a time limit: a slow input is a finding, like a crash. Each target keeps its corpus in CORPUS/<target> (default CORPUS is
# /tmp/kavoxm-fuzz-corpus), outside the repository, so that later runs start from what earlier
# runs found; the shared XM files are read as extra seeds when they are there. Prints, per
# target, the executions, coverage (cov, ft), corpus size and findings. Exits non-zero when a
# fuzzer finds a fault; the inputs that made it fail are kept in build/fuzz/findings.
# Usage: [KAVOXM_FUZZ_SLOWDOWN=N] scripts/fuzz.sh [SECONDS] [CORPUS]
#
# Memory limits. Inputs are at most 256 KiB. The loader stores at most 20 bytes per image byte
# beyond its fixed model (about 10 MiB for the module with its streams), and fuzz_load traps
# when a load stores more than that: this is what catches a loader that decodes the same bytes
# again and again. -malloc_limit_mb=64 flags any single allocation above 64 MiB (an
# input-controlled size left unbounded; the largest legitimate block, a sample or pattern of a
# 256 KiB input, is below 3 MiB). libFuzzer applies that limit to each malloc call only; the
# resident limit -rss_limit_mb=512 bounds the total. It has to leave room for libFuzzer's corpus
# held in memory (hundreds of inputs of up to 256 KiB), ASan's shadow memory and quarantine: a
# 256 MiB limit stopped runs on inputs that need 6 MiB on their own. ASan's quarantine of freed
# blocks is cut from its 256 MiB default to 32 MiB: at the default, the freed blocks of a few
# thousand songs alone pushed the resident size past 512 MiB while the corpus was being read.
set -euo pipefail
export ASAN_OPTIONS="quarantine_size_mb=32${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
cd "$(dirname "$0")/.."
seconds=${1:-60}
corpus_root=${2:-/tmp/kavoxm-fuzz-corpus}
load_seconds=$((seconds / 3))
play_seconds=$((seconds / 3))
scan_seconds=$((seconds - load_seconds - play_seconds))
scripts/deps.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_load fuzz_play fuzz_scan
shared=../shared/corpus
findings=build/fuzz/findings
logs=$(mktemp -d /tmp/kavoxm-fuzz-logs.XXXXXX)
trap 'rm -rf "$logs"' EXIT
summary=()

# stat LOG KEY: a value from libFuzzer's final statistics (stat::KEY: VALUE).
stat() {
  sed -n "s/^stat::$2: *//p" "$1" | tail -n 1
}

# run TARGET SECONDS [extra libFuzzer options]: one fuzzer on its persistent corpus.
run() {
  local target=$1 time=$2
  shift 2
  local corpus="$corpus_root/$target" artifacts="$logs/$target-artifacts"
  local log="$logs/$target.log"
  mkdir -p "$corpus" "$artifacts"
  local before
  before=$(find "$corpus" -type f | wc -l)
  local seeds=()
  if [ -d "$shared" ]; then
    seeds=("$shared")
  else
    echo "$target: no shared corpus at $shared"
  fi
  echo "$target: ${time}s, corpus $corpus ($before inputs)"
  local status=0
  "build/fuzz/fuzz/$target" "$corpus" "${seeds[@]}" -max_total_time="$time" \
    -rss_limit_mb=512 -malloc_limit_mb=64 -max_len=262144 -artifact_prefix="$artifacts/" \
    -print_final_stats=1 "$@" >"$log" 2>&1 || status=$?
  # Faults (crash-, leak-, timeout-, oom-) fail the run; slow-unit- files are inputs that took
  # more than libFuzzer's report threshold (10 s) yet stayed within -timeout: kept for a look.
  local found slow
  found=$(find "$artifacts" -type f ! -name 'slow-unit-*' | wc -l)
  slow=$(find "$artifacts" -type f -name 'slow-unit-*' | wc -l)
  if [ "$((found + slow))" -gt 0 ]; then
    mkdir -p "$findings"
    cp "$artifacts"/* "$findings/"
    grep -E "ERROR|SUMMARY" "$log" | head -n 5 >&2 || true
  fi
  # cov and ft of the last status line ("#N DONE cov: C ft: F corp: ...").
  local cov ft
  cov=$(grep -oE "cov: [0-9]+" "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -oE "ft: [0-9]+" "$log" | tail -n 1 | cut -d' ' -f2)
  local line
  line=$(printf '%-9s executions %s, cov %s, ft %s, corpus %s -> %s inputs, findings %s, slow %s%s' \
    "$target" "$(stat "$log" number_of_executed_units)" "${cov:-?}" "${ft:-?}" "$before" \
    "$(find "$corpus" -type f | wc -l)" "$found" "$slow" \
    "$([ "$((found + slow))" -gt 0 ] && echo " (in $findings)")")
  if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then
    line="$line, fuzzer exit $status"
    tail -n 20 "$log" >&2
  fi
  summary+=("$line")
  return "$status"
}

# Per-input time limits, in seconds. On a machine busy with other work an input takes longer
# than it would alone: KAVOXM_FUZZ_SLOWDOWN=N multiplies every limit by N (default 1).
slowdown=${KAVOXM_FUZZ_SLOWDOWN:-1}
status=0
run fuzz_load "$load_seconds" -timeout=$((2 * slowdown)) || status=$?
# A song that makes a tick or a render run for ever is reported as a timeout.
run fuzz_play "$play_seconds" -timeout=$((2 * slowdown)) || status=$?
# Every measurement and seek is bounded by work: the calls of one input take at most about a
# second without the sanitizers, some tens of times that with them on the costliest songs.
run fuzz_scan "$scan_seconds" -timeout=$((30 * slowdown)) || status=$?
printf '%s\n' "${summary[@]}"
exit "$status"
