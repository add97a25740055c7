#!/usr/bin/env bash
# Takes the user guide's pictures from the real window: the editor opens the
# demo database from the command line and is worked with the mouse and
# keyboard through the guide's tasks, each picture taken where the guide
# shows it. Windows are shot alone, a menu or dialog together with the main
# window under it (the screen cut to what they cover).
#
#   run_guide_shots.sh TEMBREL DEMO.tbp SCREENSHOT_DIR WINDOW_SHOT_DIR
set -euo pipefail

TEMBREL=$(realpath "$1")
DEMO=$2
SHOTS=$3
WINDOW_SHOTS=$4

source "$(dirname "$0")/e2e_lib.sh"

mkdir -p "$SHOTS" "$WINDOW_SHOTS" "$WORK/home"
rm -f "$SHOTS"/*.png "$WINDOW_SHOTS"/guide-*.png
export HOME="$WORK/home"

# The screen without the empty black around the windows, as
# WINDOW_SHOTS/name.png.
screen_shot() { # name
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -trim +repage "$WINDOW_SHOTS/$1.png"
}

# Clicks at x, y inside the main window.
click_at() { # x y [count]
  xdotool mousemove --window "$MAIN" "$1" "$2" click --repeat "${3:-1}" --delay 120 1
  sleep 0.5
}

start_xvfb
cp "$DEMO" "$WORK/demo.tbp"
cd "$WORK"
"$TEMBREL" demo.tbp >"$WORK/app.log" 2>&1 &
APP_PID=$!
MAIN=$(wait_window "^$WORK/demo\\.tbp - Tembrel 1\\.0\$") || fail "the demo database did not open"
focus "$MAIN"
shot start
# Room for the comments: the guide's pictures show the window larger than
# its smallest size.
xdotool windowsize --sync "$MAIN" 920 680 || true
sleep 0.5
shot resized

# Open and listen: a phrase selected, its words below.
click_at 200 133
for _ in $(seq 13); do xdotool key Down; done
sleep 0.5
shot listen
window_shot guide-listen

# Rewire a phrase: the last word of the phrase selected, then clicked again
# to type another word's alias over it (Escape leaves it as it was).
click_at 200 460
click_at 200 460
sleep 0.5
type_slowly "right" 0.05
sleep 0.3
shot rewire
window_shot guide-rewire
xdotool key Escape
sleep 0.3

# Find a phrase: on the Words page, a word and the phrases that use it.
click_at 95 43
click_at 200 133
xdotool key Home
for _ in $(seq 19); do xdotool key Down; done
sleep 0.5
click_at 200 640
shot find
window_shot guide-find

# Replace a word: the word "left" selected, and the chooser its Replace
# button opens.
click_at 200 133
xdotool key Home
for _ in $(seq 20); do xdotool key Down; done
sleep 0.3
click_at 850 170
CHOOSER=$(wait_window '^Load File$') || fail "Replace opened no chooser"
# Without a window manager the chooser would cover the window's corner.
xdotool windowmove --sync "$CHOOSER" 260 150 || true
sleep 0.5
shot replace
screen_shot guide-replace
focus "$CHOOSER"
xdotool key Escape
sleep 0.5

# Import a folder of recordings: File > Import Words… opens its dialog.
focus "$MAIN"
file_menu_item 6
xdotool key Return
CHOOSER=$(wait_window '^Import Words$') || fail "File > Import Words… opened no dialog"
sleep 0.5
shot import
screen_shot guide-import
focus "$CHOOSER"
xdotool key Escape
sleep 0.5

# Save for the car: the File menu with Save Audio picked.
focus "$MAIN"
file_menu_item 5
shot save
screen_shot guide-save
xdotool key Escape Escape
sleep 0.3

# Nothing was changed: Ctrl+Q quits without a question.
focus "$MAIN"
xdotool key ctrl+q
wait_editor_end "the editor was still running after Ctrl+Q"
for name in listen rewire find replace import save; do
  [ -s "$WINDOW_SHOTS/guide-$name.png" ] || fail "no picture guide-$name.png"
done
echo "guide pictures in $WINDOW_SHOTS"
