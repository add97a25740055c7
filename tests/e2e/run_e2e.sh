#!/usr/bin/env bash
# End-to-end test of the built editor. It runs on a private X server (so no
# other test's window can take the keyboard) and is driven only through
# xdotool, as a person would: File > Open, the path typed into the chooser,
# the window title checked, the Words and Advanced pages opened and the
# language code edited, then Ctrl+Q answered "No" in the save question. A
# screenshot of every state is left in the screenshot folder for a reviewer,
# and pictures of the window alone on each page in the window folder, under
# the names the AppStream file lists.
#
#   run_e2e.sh TEMBREL MAKE_TEST_CSF SCREENSHOT_DIR WINDOW_SHOT_DIR
set -euo pipefail

TEMBREL=$1
MAKE_CSF=$2
SHOTS=$3
WINDOW_SHOTS=$4

source "$(dirname "$0")/e2e_lib.sh"

mkdir -p "$SHOTS" "$WINDOW_SHOTS"
# Only its own pictures: the guide's are taken into the same folder.
rm -f "$SHOTS"/*.png "$WINDOW_SHOTS"/{phrases,words,advanced}.png
mkdir -p "$WORK/home/.local/share"

start_xvfb

CSF="$WORK/voice.csf"
"$MAKE_CSF" "$CSF" modern || fail "could not write the test CSF file"

# The toolkit keeps its recent-files list under HOME: keep it in the scratch folder.
HOME="$WORK/home" "$TEMBREL" >"$WORK/app.log" 2>&1 &
APP_PID=$!

MAIN=$(wait_window '^Tembrel 1\.0$') || fail "the main window did not appear"
focus "$MAIN"
shot start

# File > Open from the keyboard: F10 opens the File menu, Down picks Open.
file_menu_item 1
shot file-menu
xdotool key Return

CHOOSER=$(wait_window '^Load File$') || fail "the Load File chooser did not appear"
focus "$CHOOSER"
# Start from the file system root rather than the recent-files view, whose
# location entry has no folder to complete names in.
xdotool key alt+p
sleep 0.2
xdotool key End Return
sleep 0.5

# The location entry completes names while they are typed, and on a busy
# machine its completion list can swallow keys: a person would notice and
# type the path again, more slowly, so the test does the same.
EXPECTED="$CSF - Tembrel 1.0"
OPENED=0
for PAUSE in 0.08 0.25 0.5; do
  if ! xdotool search --onlyvisible --name '^Load File$' >/dev/null 2>&1; then
    break
  fi
  focus "$CHOOSER"
  xdotool key ctrl+l
  sleep 0.3
  xdotool key ctrl+a BackSpace
  sleep 0.3
  type_slowly "$CSF" "$PAUSE"
  sleep 0.5
  shot chooser
  xdotool key Return
  if wait_title "$MAIN" "$EXPECTED"; then
    OPENED=1
    break
  fi
  # The completion list may have taken the Enter.
  xdotool key Return
  if wait_title "$MAIN" "$EXPECTED"; then
    OPENED=1
    break
  fi
done
[ "$OPENED" = 1 ] || fail "title is '$(xdotool getwindowname "$MAIN")', expected '$EXPECTED'"
focus "$MAIN"
shot opened
window_shot phrases

# The Words tab, then the Advanced tab, clicked where they sit in the tab row.
xdotool mousemove --window "$MAIN" 95 43 click 1
sleep 0.5
shot words
WORDS_SHOT=$LAST_SHOT
window_shot words
xdotool mousemove --window "$MAIN" 160 43 click 1
sleep 0.5
shot advanced
window_shot advanced
# compare exits 0 for equal pictures, 1 for different ones and 2 when it
# could not compare them, which must not pass as a change.
COMPARED=0
CHANGED=$(compare -metric AE "$WORDS_SHOT" "$LAST_SHOT" null: 2>&1) || COMPARED=$?
[ "$COMPARED" -ne 2 ] || fail "could not compare the screenshots: $CHANGED"
[[ "$CHANGED" =~ ^[0-9] ]] || fail "compare printed no pixel count: $CHANGED"
[ "$COMPARED" -eq 1 ] || fail "clicking the Advanced tab changed nothing on screen"

# Tab from the tab row into the language entry, type a code, Enter.
xdotool key Tab
sleep 0.2
xdotool key ctrl+a
type_slowly "fr" 0.1
xdotool key Return
sleep 0.3
shot language-edited

# The edit marks the project unsaved, so Ctrl+Q asks first; "No" quits.
xdotool key ctrl+q
QUESTION=$(wait_window '^Save$') || fail "Ctrl+Q did not ask to save the edited project"
focus "$QUESTION"
shot save-question
xdotool key alt+n

wait_editor_end "the editor was still running after Ctrl+Q and No"
echo "e2e passed; screenshots in $SHOTS"
