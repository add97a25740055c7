# Helpers the end-to-end scripts share: a scratch folder removed on exit
# (with the editor and the X server the script started), screenshots, and
# finding, focusing and typing into windows with xdotool. The script sets
# SHOTS (and WINDOW_SHOTS for window_shot) before it calls them.
# shellcheck shell=bash

WORK=$(mktemp -d /tmp/tembrel-e2e.XXXXXX)
XVFB_PID=""
APP_PID=""
STEP=0
LAST_SHOT=""

cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then kill "$APP_PID"; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# Saves the whole screen as SHOTS/NN-name.png; LAST_SHOT names the file.
shot() { # name
  STEP=$((STEP + 1))
  LAST_SHOT="$SHOTS/$(printf '%02d' "$STEP")-$1.png"
  import -window root "$LAST_SHOT"
}

# Saves the main window alone, without the empty screen around it, as
# WINDOW_SHOTS/name.png.
window_shot() { # name
  import -window "$MAIN" "$WINDOW_SHOTS/$1.png"
}

fail() {
  echo "e2e FAILED: $*" >&2
  shot failure || true
  if [ -s "$WORK/app.log" ]; then
    echo "--- editor output ---" >&2
    cat "$WORK/app.log" >&2
  fi
  exit 1
}

# Waits for a visible window whose title matches the regex; prints its id.
# Polls instead of `search --sync`: a search dies with BadWindow when a
# window (a closing menu, say) goes away while it looks.
wait_window() { # regex
  local i id
  for i in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Puts the pointer over a window and gives it the keyboard (there is no
# window manager to do either).
focus() { # window
  xdotool mousemove --window "$1" 40 40
  xdotool windowfocus --sync "$1"
  sleep 0.3
}

# Types one character at a time: the chooser's location entry completes
# names as they are typed and drops keys that arrive faster than that.
type_slowly() { # text pause-seconds
  local text=$1 pause=$2 i
  for ((i = 0; i < ${#text}; i++)); do
    xdotool type --delay 30 -- "${text:i:1}"
    sleep "$pause"
  done
}

wait_title() { # window expected
  local i
  for i in $(seq 50); do
    [ "$(xdotool getwindowname "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# Starts a private X server (so no other test's window can take the
# keyboard) and points DISPLAY at it. -noreset: an X server resets when its
# last client goes, and refuses connections meanwhile, so an editor started
# right after the previous one ended or was killed could not open it.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$WORK/display" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
  done
  [ -s "$WORK/display" ] || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
  export DISPLAY=":$(head -n 1 "$WORK/display")"
}

# Waits for the editor to end after a quit was asked for; fails with the
# given words when it is still running, or when it ended with a status
# other than 0.
wait_editor_end() { # failure
  local status=0
  for _ in $(seq 100); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$APP_PID" 2>/dev/null && fail "$1"
  wait "$APP_PID" || status=$?
  APP_PID=""
  [ "$status" -eq 0 ] || fail "the editor exited with status $status"
}

# Opens the File menu from the keyboard (F10) and moves down to its
# N-th item, leaving the menu open on it.
file_menu_item() { # n
  xdotool key F10
  sleep 0.3
  for _ in $(seq "$1"); do xdotool key Down; done
  sleep 0.3
}
