#!/usr/bin/env bash
# Crash recovery with the real editor: `tembrel voice.csf` with autosave
# every second, an edit typed with xdotool, a wait past the interval, then
# SIGKILL. Started again, the editor offers the changes; Recover brings the
# edit back (the title marks it unsaved), and Ctrl+S saves it as the project
# next to the file (voice.tbp), which tembrel-tool then reads.
#
#   run_recovery.sh TEMBREL TEMBREL_TOOL MAKE_TEST_CSF SCREENSHOT_DIR
set -euo pipefail

TEMBREL=$1
TOOL=$2
MAKE_CSF=$3
SHOTS=$4

source "$(dirname "$0")/e2e_lib.sh"

mkdir -p "$SHOTS" "$WORK/home/.local/share" "$WORK/config/tembrel"
rm -f "$SHOTS"/*.png
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state"
printf '[editor]\nautosave-seconds=1\n' >"$XDG_CONFIG_HOME/tembrel/settings.ini"
RECOVERY="$XDG_STATE_HOME/tembrel/recovery"

cd "$WORK"
"$MAKE_CSF" voice.csf modern || fail "could not write the test CSF file"
TITLE="$WORK/voice.csf - Tembrel 1.0"

start_xvfb

"$TEMBREL" voice.csf >"$WORK/app.log" 2>&1 &
APP_PID=$!
MAIN=$(wait_window "^$WORK/voice\\.csf - Tembrel 1\\.0\$") || fail "voice.csf was not opened"
focus "$MAIN"
# The Advanced tab, then Tab into the language entry, a code and Enter.
xdotool mousemove --window "$MAIN" 160 43 click 1
sleep 0.5
xdotool key Tab
sleep 0.2
xdotool key ctrl+a
type_slowly "fr" 0.1
xdotool key Return
wait_title "$MAIN" "*$TITLE" || fail "the edit did not mark the title: $(xdotool getwindowname "$MAIN")"
shot edited

# Past the interval a copy is there; then the editor dies without a word.
for _ in $(seq 50); do
  compgen -G "$RECOVERY/*.ini" >/dev/null && break
  sleep 0.1
done
compgen -G "$RECOVERY/*.ini" >/dev/null || fail "no recovery copy after the interval"
sleep 1.5
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=""

"$TEMBREL" voice.csf >"$WORK/app.log" 2>&1 &
APP_PID=$!
QUESTION=$(wait_window '^Recover$') || fail "no recovery offer after the restart"
shot recovery-offer
focus "$QUESTION"
xdotool key alt+r
MAIN=$(wait_window "^\\*$WORK/voice\\.csf - Tembrel 1\\.0\$") ||
  fail "the recovered changes are not marked unsaved: $(xdotool search --onlyvisible --name . getwindowname %@ 2>&1)"
shot recovered

# Save asks for the project's name, suggesting voice.tbp beside the file.
focus "$MAIN"
xdotool key ctrl+s
CHOOSER=$(wait_window '^Save File$') || fail "Ctrl+S did not ask where to save the project"
focus "$CHOOSER"
xdotool key Return
wait_title "$MAIN" "$WORK/voice.tbp - Tembrel 1.0" || fail "title after saving: $(xdotool getwindowname "$MAIN")"
compgen -G "$RECOVERY/*.ini" >/dev/null && fail "the recovery copy outlived the save"

focus "$MAIN"
xdotool key ctrl+q
wait_editor_end "the editor did not quit on Ctrl+Q after saving"

INFO=$("$TOOL" info voice.tbp) || fail "tembrel-tool could not read voice.tbp: $INFO"
grep -qx "language: FR" <<<"$INFO" || fail "the saved project lacks the recovered edit: $INFO"
echo "recovery test passed"
