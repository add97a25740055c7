#!/usr/bin/env bash
# Plain against searching ADPCM encoder on synthetic speech: espeak-ng says
# navigation prompts in three voices, sox makes them 16000 Hz mono 16-bit,
# and bench_adpcm_quality scores them together with a sine sweep, white
# noise and a clipped loud passage of its own.
#   bench/adpcm_quality_bench.sh BUILD_DIR
set -euo pipefail
BUILD=${1:-build}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

TEXT="In four hundred metres, turn left onto the main road. Then take the second exit at the roundabout.
Recalculating the route. You have reached your destination; it is on the right."
for voice in en-us en+f3 de+m3; do
  espeak-ng -v "$voice" -s 150 -w "$WORK/raw.wav" "$TEXT"
  sox -V1 "$WORK/raw.wav" -r 16000 -c 1 -b 16 "$WORK/espeak $voice.wav" rate -v
done
"$BUILD/bench/bench_adpcm_quality" "$WORK"/espeak*.wav
