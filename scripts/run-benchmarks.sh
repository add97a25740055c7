#!/usr/bin/env bash
# Runs every benchmark program of the normal build (bench/*.cpp, one program
# each) and every benchmark script (scripts/bench-*.sh), printing their
# figures. Fails when any of them fails.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${BUILD:-build}
status=0
for prog in "$BUILD"/bench/bench_*; do
  [ -x "$prog" ] || continue
  echo "== $(basename "$prog") =="
  "$prog" || status=1
done
for script in scripts/bench-*.sh; do
  [ -e "$script" ] || continue
  echo "== $(basename "$script") =="
  bash "$script" || status=1
done
exit "$status"
