#!/usr/bin/env bash
# Builds and runs the whole suite twice: a normal build, then an
# AddressSanitizer + UndefinedBehaviorSanitizer build in which any report
# aborts the test that caused it. Everything runs inside one virtual X
# server so the GUI tests get real widgets; no sound card is needed.
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=$(nproc)

# The project's own builds treat every warning as an error.
build() { # dir, extra cmake args...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DTEMBREL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

run_ctest() { # dir
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$1" --output-on-failure -j "$JOBS" --timeout 600
}

if [ -x scripts/run-extra-tests.sh ]; then
  EXTRA=1
else
  EXTRA=0
fi

echo "== normal build =="
build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build =="
build build-asan -DCMAKE_BUILD_TYPE=Debug -DTEMBREL_SANITIZE=ON

if [ "$EXTRA" = 1 ]; then
  scripts/run-extra-tests.sh
fi

echo "== tests: normal build =="
run_ctest build
echo "== tests: sanitizer build =="
run_ctest build-asan
