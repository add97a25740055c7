#!/usr/bin/env bash
# Runs every libFuzzer target of a TEMBREL_FUZZ build one after the other,
# each with the given libFuzzer options (e.g. -max_total_time=30 or
# -runs=10000000), at the lowest priority and one job at a time. Each
# target's corpus lives in BUILD/fuzz-corpus/<target>, seeded from the
# generated seeds and the saved regression inputs; a finding is written to
# BUILD/fuzz-findings/ and makes the script fail.
# Usage: scripts/run-fuzzers.sh BUILD [TARGET...] -- [libFuzzer options]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$(realpath "$1")
shift
TARGETS=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  TARGETS+=("$1")
  shift
done
[ $# -gt 0 ] && shift
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(csf_parse project_load wav_read edits)

"$BUILD/fuzz/fuzz_make_seeds" "$BUILD/fuzz-seeds"
mkdir -p "$BUILD/fuzz-findings"
status=0
for t in "${TARGETS[@]}"; do
  corpus="$BUILD/fuzz-corpus/$t"
  mkdir -p "$corpus"
  # Newer cp reports skipped files as a failure; an existing copy is fine.
  cp -n "$BUILD/fuzz-seeds/$t"/* "$corpus"/ 2>/dev/null || true
  if [ -d "$ROOT/fuzz/regressions/$t" ]; then
    cp -n "$ROOT/fuzz/regressions/$t"/* "$corpus"/ 2>/dev/null || true
  fi
  work="$BUILD/fuzz-run/$t"
  rm -rf "$work"
  mkdir -p "$work"
  start=$(date +%s)
  # Allocation stacks are not needed to find a fault (a replay in the
  # sanitizer build shows them) and cost a large part of each run.
  if (cd "$work" && ASAN_OPTIONS=malloc_context_size=0:detect_leaks=1 nice -n 19 "$BUILD/fuzz/${t}_fuzz" \
        -jobs=1 -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-findings/$t-" "$@" "$corpus" \
        >/dev/null 2>&1); then
    result=ok
  else
    result=FINDING
    status=1
  fi
  runs=$(grep -h 'stat::number_of_executed_units' "$work"/fuzz-*.log | awk '{s += $2} END {print s + 0}')
  echo "$t: $result, $runs executions in $(( $(date +%s) - start )) s"
  if [ "$result" != ok ]; then
    grep -h -A30 -E 'ERROR|check failed|runtime error' "$work"/fuzz-*.log | head -60 || true
  fi
done
exit $status
