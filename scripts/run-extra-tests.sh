#!/usr/bin/env bash
# Extra checks of `make test`: when clang is installed, builds the libFuzzer
# targets and runs each of them for FUZZ_TIME seconds (30 by default) from
# the seed corpora (the replay of those corpora through the same targets
# runs in CTest anyway). `make fuzz` runs it with a longer time.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang++-14 >/dev/null; then
  echo "== fuzzing skipped: clang++-14 is not installed =="
  exit 0
fi
echo "== fuzz build =="
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTEMBREL_FUZZ=ON -DTEMBREL_WERROR=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"
FUZZ_TIME=${FUZZ_TIME:-30}
echo "== fuzzing, $FUZZ_TIME s per target =="
scripts/run-fuzzers.sh build-fuzz -- -max_total_time="$FUZZ_TIME"
