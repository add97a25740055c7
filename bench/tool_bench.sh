#!/usr/bin/env bash
# tembrel-tool speed: export and import of 2,000 words holding 10 minutes of
# audio, and decode of 10 minutes of audio against sox's own ADPCM decoder.
#   bench/tool_bench.sh BUILD_DIR
set -euo pipefail
BUILD=${1:-build}
TOOL=$BUILD/tools/tembrel-tool
MAKE_DB=$BUILD/bench/bench_make_db
# On a memory file system the figures measure the program, not the disk;
# the disk's own cost of creating 2,000 files is printed beside them.
WORK=$(mktemp -d -p "${TEMBREL_BENCH_DIR:-/dev/shm}" 2>/dev/null || mktemp -d)
trap 'rm -rf "$WORK"' EXIT

now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc -l; }

# 10 minutes at 16 kHz is 9.6 M samples, 4.8 MB of ADPCM: 2,400 bytes a word.
"$MAKE_DB" "$WORK/db.csf" modern 2000 2400 2000 8
mkdir "$WORK/wav"

t0=$(now); "$TOOL" export "$WORK/db.csf" "$WORK/wav" >/dev/null; t1=$(now)
"$TOOL" import "$WORK/db.csf" "$WORK/wav" "$WORK/out.csf" >/dev/null; t2=$(now)
echo "work folder: $WORK ($(stat -f -c %T "$WORK"))"
printf 'export of 2000 words (10 min of audio): %.3f s\n' "$(elapsed "$t0" "$t1")"
printf 'import of 2000 words (10 min of audio): %.3f s\n' "$(elapsed "$t1" "$t2")"
if cmp -s "$WORK/db.csf" "$WORK/out.csf"; then
  echo "re-importing the exported words reproduces the database byte for byte"
else
  echo "re-importing the exported words re-encodes them (random test audio need not survive a second encoding)"
fi

DISK=$(mktemp -d)
t0=$(now); for i in $(seq 1000 2999); do : > "$DISK/$i"; done; t1=$(now)
rm -rf "$DISK"
printf 'for reference, creating 2000 empty files in %s: %.3f s\n' "$(dirname "$DISK")" "$(elapsed "$t0" "$t1")"

head -c 4800000 /dev/urandom > "$WORK/ten-minutes.vox"
best_tool=999; best_sox=999
for _ in 1 2 3 4 5; do
  t0=$(now); "$TOOL" decode "$WORK/ten-minutes.vox" "$WORK/a.wav"; t1=$(now)
  sox -V1 -t vox -r 16000 "$WORK/ten-minutes.vox" "$WORK/b.wav"; t2=$(now)
  a=$(elapsed "$t0" "$t1"); b=$(elapsed "$t1" "$t2")
  best_tool=$(echo "if ($a < $best_tool) $a else $best_tool" | bc -l)
  best_sox=$(echo "if ($b < $best_sox) $b else $best_sox" | bc -l)
done
printf 'decode of 10 min: tembrel-tool %.3f s, sox %.3f s, ratio %.2f (best of 5)\n' \
  "$best_tool" "$best_sox" "$(echo "$best_tool / $best_sox" | bc -l)"
