#!/usr/bin/env bash
# Runs every benchmark and prints its figures: each Google Benchmark program
# of the normal build (bench/*.cpp that use the benchmark library; the other
# programs there are helpers, such as database generators), the window
# benchmark bench_window, and each
# benchmark script (bench/*.sh, scripts/bench-*.sh), which gets the build
# folder as its argument. Fails when any of them fails.
set -euo pipefail
cd "$(dirname "$0")/.."

# The page benchmarks drive real widgets: give them a virtual display when
# there is none.
if [ -z "${DISPLAY:-}" ] && [ -z "${TEMBREL_BENCH_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
  export TEMBREL_BENCH_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

BUILD=${BUILD:-build}
status=0
for src in bench/*.cpp; do
  [ -e "$src" ] || continue
  grep -q 'benchmark/benchmark.h' "$src" || continue
  prog="$BUILD/bench/bench_$(basename "$src" .cpp)"
  [ -x "$prog" ] || continue
  echo "== $(basename "$prog") =="
  case "$prog" in
    # Programs that drive a page of the editor need a display.
    *page*) xvfb-run -a -s "-screen 0 1280x1024x24" "$prog" || status=1 ;;
    *) "$prog" || status=1 ;;
  esac
done
# The whole window at scale: a probe on a second X connection watches the
# editor open, browse and save two large generated databases, each run in
# a fresh process (three by default; BENCH_WINDOW_RUNS sets how many). It
# needs its own display, and takes a few minutes, so it runs only here.
if [ -x "$BUILD/bench/bench_window" ]; then
  echo "== bench_window =="
  xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD/bench/bench_window" "${BENCH_WINDOW_RUNS:-3}" || status=1
fi
for script in bench/*.sh scripts/bench-*.sh; do
  [ -e "$script" ] || continue
  echo "== $(basename "$script") =="
  bash "$script" "$BUILD" || status=1
done
exit "$status"
