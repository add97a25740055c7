#!/usr/bin/env bash
# The editor's command line, run as a user or a menu entry runs it: --help,
# --version and wrong command lines answer without a display; on a private
# X server `tembrel FILE` opens FILE (relative names included) in a window
# of the application's class, and a FILE that cannot be loaded shows the
# load message over an empty editor.
#
#   run_command_line.sh TEMBREL MAKE_TEST_CSF SCREENSHOT_DIR APP_ID VERSION
set -euo pipefail

TEMBREL=$1
MAKE_CSF=$2
SHOTS=$3
APP_ID=$4
VERSION=$5

source "$(dirname "$0")/e2e_lib.sh"

mkdir -p "$SHOTS" "$WORK/home"
rm -f "$SHOTS"/*.png
export HOME="$WORK/home"

# Runs the editor without a display, with the variables in LOCALE_ENV;
# OUT, ERR and STATUS hold the result.
LOCALE_ENV=()
run_headless() {
  STATUS=0
  env -u DISPLAY "${LOCALE_ENV[@]}" "$TEMBREL" "$@" >"$WORK/out" 2>"$WORK/err" || STATUS=$?
  OUT=$(cat "$WORK/out")
  ERR=$(cat "$WORK/err")
}

expect() { # what status out-regex err-regex args...
  local what=$1 status=$2 out=$3 err=$4
  shift 4
  run_headless "$@"
  [ "$STATUS" -eq "$status" ] || fail "$what: exit status $STATUS, expected $status (stderr: $ERR)"
  [[ "$OUT" =~ $out ]] || fail "$what: stdout '$OUT' does not match '$out'"
  [[ "$ERR" =~ $err ]] || fail "$what: stderr '$ERR' does not match '$err'"
}

cd "$WORK"
"$MAKE_CSF" voice.csf modern || fail "could not write the test CSF file"
printf 'TBP1 but not really' >broken.tbp

#      what              status stdout                                       stderr                     arguments
expect "version"         0 "^tembrel $VERSION\$"                              '^$'                       --version
expect "help"            0 "Usage:.*tembrel \[OPTION(…|\.\.\.)\] \[FILE\]"   '^$'                       --help
expect "help options"    0 "--help-gtk"                                      '^$'                       --help
expect "version option"  0 "--version"                                       '^$'                       --help
expect "gtk help"        0 "--display=DISPLAY"                               '^$'                       --help-gtk
expect "unknown option"  2 '^$'                                              "Unknown option --nope"    --nope voice.csf
expect "two files"       2 '^$'                                              "only one FILE"            voice.csf other.csf
expect "no display"      1 '^$'                                              "cannot open display"      voice.csf

# In German; gettext ignores LANGUAGE in the plain C locale.
LOCALE_ENV=(LANGUAGE=de LC_ALL=C.UTF-8)
expect "German help"     0 "tembrel .*\[DATEI\]"                               '^$'                       --help
expect "German option"   0 "--version +Version anzeigen und beenden"          '^$'                       --help
expect "German error"    2 '^$'                                              "nur eine DATEI"           a.csf b.csf
expect "German version"  0 "^tembrel $VERSION\$"                              '^$'                       --version
LOCALE_ENV=()

start_xvfb

# A relative name, as a file manager or shell hands it over.
"$TEMBREL" voice.csf >"$WORK/app.log" 2>&1 &
APP_PID=$!
MAIN=$(wait_window "^$WORK/voice\\.csf - Tembrel 1\\.0\$") ||
  fail "voice.csf was not opened; windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>&1)"
shot opened-from-command-line
CLASS=$(xprop -id "$MAIN" WM_CLASS)
[ "$CLASS" = "WM_CLASS(STRING) = \"$APP_ID\", \"$APP_ID\"" ] || fail "window class: $CLASS"
focus "$MAIN"
xdotool key ctrl+q
wait_editor_end "the editor did not quit on Ctrl+Q"

# A file that does not load: the message shows over the main window, which
# stays empty once it is closed.
"$TEMBREL" broken.tbp >"$WORK/app.log" 2>&1 &
APP_PID=$!
MAIN=$(wait_window '^Tembrel 1\.0$') || fail "the main window did not appear for broken.tbp"
MESSAGE=""
for _ in $(seq 100); do
  MESSAGE=$(xdotool search --onlyvisible --classname "^$APP_ID\$" 2>/dev/null | grep -vx "$MAIN" | head -n 1) || true
  [ -n "$MESSAGE" ] && break
  sleep 0.1
done
[ -n "$MESSAGE" ] || fail "no load message for broken.tbp"
shot load-message
focus "$MESSAGE"
xdotool key Return
for _ in $(seq 50); do
  xdotool search --onlyvisible --classname "^$APP_ID\$" 2>/dev/null | grep -qvx "$MAIN" || break
  sleep 0.1
done
[ "$(xdotool getwindowname "$MAIN")" = "Tembrel 1.0" ] || fail "title after the failed load: $(xdotool getwindowname "$MAIN")"
shot empty-after-load-message
focus "$MAIN"
xdotool key ctrl+q
wait_editor_end "the editor did not quit after the load message"
echo "command line test passed"
