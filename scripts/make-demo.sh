#!/usr/bin/env bash
# Regenerates examples/demo.tbp, the demo database: about forty words of
# navigation speech synthesised with espeak-ng, trimmed and levelled, and
# phrases built from them, every word with an alias and every phrase with a
# comment. The result is committed, so nobody needs espeak-ng to try the
# editor; run this only to change the demo.
#
#   scripts/make-demo.sh [BUILD]     (BUILD: the build folder, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}

for program in espeak-ng sox; do
  command -v "$program" >/dev/null || { echo "make-demo: $program is not installed" >&2; exit 1; }
done
cmake --build "$BUILD" --target tembrel-tool demo_skeleton >/dev/null

WORK=$(mktemp -d /tmp/tembrel-demo.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/words"

# Each word: its alias (what a phrase names it by, and its file name for
# the import) and what the voice says.
WORDS=(
  one:one two:two three:three four:four five:five six:six seven:seven eight:eight nine:nine ten:ten
  fifty:fifty hundred:hundred metres:metres kilometre:kilometre kilometres:kilometres
  in:in after:after now:now then:then
  turn:turn left:left right:right slight:slight sharp:sharp keep:keep
  "go_straight_on:go straight on" "make_a_u_turn:make a U-turn"
  at_the:"at the" roundabout:roundabout take:take the:the first:first second:second third:third exit:exit
  enter:enter leave:leave motorway:motorway
  "you_have_arrived:you have arrived" "at_your:at your" destination:destination
)

{
  for entry in "${WORDS[@]}"; do
    echo "word ${entry%%:*}"
  done
  cat <<'PHRASES'
phrase turn left | Simple turn at the next junction
phrase turn right | Simple turn at the next junction
phrase keep left | Fork in the road, stay in the left lanes
phrase keep right | Fork in the road, stay in the right lanes
phrase turn slight left | Junction where the road bends gently left
phrase turn slight right | Junction where the road bends gently right
phrase turn sharp left | Junction with a tight left turn
phrase turn sharp right | Junction with a tight right turn
phrase go_straight_on | Crossing where the route continues ahead
phrase make_a_u_turn | The driver has left the route and must turn back
phrase now turn left | Spoken at the junction itself
phrase now turn right | Spoken at the junction itself
phrase now make_a_u_turn | Spoken where turning back is possible
phrase in fifty metres turn left | Last warning before a left turn
phrase in fifty metres turn right | Last warning before a right turn
phrase in one hundred metres turn left | Early warning before a left turn
phrase in two hundred metres turn right | Early warning before a right turn
phrase in five hundred metres keep left | Warning before a fork on a fast road
phrase in eight hundred metres keep right | Warning before a fork on a fast road
phrase in three hundred metres turn sharp left | Warning before a tight left turn
phrase at_the roundabout take the first exit | Roundabout, first exit
phrase at_the roundabout take the second exit | Roundabout, second exit
phrase at_the roundabout take the third exit | Roundabout, third exit
phrase in four hundred metres at_the roundabout take the second exit | Warning before a roundabout
phrase then turn left | Follows another instruction when two junctions are close
phrase then turn right | Follows another instruction when two junctions are close
phrase then at_the roundabout take the first exit | Follows another instruction before a close roundabout
phrase enter the motorway | Slip road onto the motorway
phrase leave the motorway | Motorway exit ahead
phrase in one kilometre leave the motorway | Early warning before a motorway exit
phrase in two kilometres take the exit | Early warning before a motorway exit, short form
phrase after six kilometres keep right | Long stretch, then a fork
phrase after seven hundred metres turn left | Long stretch, then a turn
phrase you_have_arrived at_your destination | End of the route
phrase in fifty metres you_have_arrived at_your destination | Just before the end of the route
PHRASES
} >"$WORK/demo.txt"

# espeak-ng speaks at 22050 Hz; the import converts, trims the silence it
# leaves at both ends and levels every word to the same loudness.
for entry in "${WORDS[@]}"; do
  alias=${entry%%:*}
  espeak-ng -v en-gb -s 150 -w "$WORK/raw.wav" "${entry#*:}"
  sox -q "$WORK/raw.wav" -r 16000 -c 1 -b 16 "$WORK/words/$alias.wav"
done

"$BUILD/examples/demo_skeleton" "$WORK/skeleton.tbp" <"$WORK/demo.txt"
"$BUILD/tools/tembrel-tool" import --convert --trim --level=-20 --quality=best \
  "$WORK/skeleton.tbp" "$WORK/words" examples/demo.tbp >/dev/null
"$BUILD/tools/tembrel-tool" info examples/demo.tbp
