#!/usr/bin/env bash
# Builds with coverage instrumentation in build-coverage, runs the whole
# test suite (GUI tests under a virtual X server) and prints a gcovr line
# report for the program's own code, file by file and per directory.
set -euo pipefail
cd "$(dirname "$0")/.."
DIR=build-coverage

cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTEMBREL_COVERAGE=ON -DTEMBREL_WERROR=ON >/dev/null
cmake --build "$DIR" -j "$(nproc)"
# Counts from an earlier run would inflate the figures.
find "$DIR" -name '*.gcda' -delete
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$DIR" --output-on-failure -j "$(nproc)" --timeout 600 || echo "(some tests failed)"

FILTERS=(--filter 'db/' --filter 'audio/' --filter 'io/' --filter 'ui/' --filter 'tools/')
gcovr -r . "$DIR" "${FILTERS[@]}" --exclude-unreachable-branches --print-summary \
  --json-summary "$DIR/coverage-summary.json"
python3 - "$DIR/coverage-summary.json" <<'PY'
import json, sys, collections
covered, total = collections.Counter(), collections.Counter()
for f in json.load(open(sys.argv[1]))["files"]:
    top = f["filename"].split("/")[0]
    covered[top] += f["line_covered"]
    total[top] += f["line_total"]
print("\nLine coverage per directory:")
for top in sorted(total):
    print(f"  {top + '/':8} {covered[top]:6} / {total[top]:6}  {100.0 * covered[top] / max(total[top], 1):5.1f}%")
PY
