#!/usr/bin/env bash
# Builds the Debian package from the build folder with CPack and checks it:
# control fields and dependencies from dpkg-deb, no maintainer scripts, the
# same files as an install into /usr, lintian without errors or warnings,
# both manual pages readable by man, and, unpacked into a scratch root with
# dpkg -x, programs that run from there.
#
#   check_deb.sh CMAKE BUILD APP_ID VERSION MAKE_TEST_CSF
set -euo pipefail
CMAKE=$1
BUILD=$2
# $3, the application id, names files that the comparison with an install covers.
VERSION=$4
MAKE_CSF=$5
CPACK=$(dirname "$CMAKE")/cpack

WORK=$(mktemp -d /tmp/tembrel-deb.XXXXXX)
APP_PID=""
cleanup() {
  if [ -n "$APP_PID" ]; then kill "$APP_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

"$CPACK" --config "$BUILD/CPackConfig.cmake" -G DEB -B "$WORK/out" >"$WORK/cpack.log" 2>&1 ||
  { cat "$WORK/cpack.log"; fail "cpack failed"; }
DEB=$WORK/out/tembrel_${VERSION}_$(dpkg --print-architecture).deb
[ -f "$DEB" ] || fail "cpack wrote no $(basename "$DEB"): $(ls "$WORK/out")"

field() { dpkg-deb --field "$DEB" "$1"; }
[ "$(field Package)" = tembrel ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$VERSION" ] || fail "Version: $(field Version)"
[ "$(field Section)" = sound ] || fail "Section: $(field Section)"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no Description"
# The dependencies are read from the binaries, so the libraries they link
# appear with versions.
depends=$(field Depends)
for lib in libc6 libgtk2.0-0 libasound2 libglib2.0-0 libstdc++6; do
  [[ ", $depends" == *", $lib (>= "[0-9]* ]] || fail "Depends lacks a versioned $lib: $depends"
done

# The caches are refreshed by Debian's own triggers: no maintainer scripts.
controls=$(dpkg-deb --ctrl-tarfile "$DEB" | tar -t | sed 's|^\./||' | grep -v '^$' | LC_ALL=C sort | tr '\n' ' ')
[ "$controls" = "control md5sums " ] || fail "control members: $controls"

# The package holds what an install into /usr holds, and no more.
dpkg-deb -x "$DEB" "$WORK/root"
DESTDIR="$WORK/stage" "$CMAKE" --install "$BUILD" --prefix /usr >/dev/null
list_files() { # dir
  (cd "$1" && find . ! -type d | LC_ALL=C sort)
}
diff <(list_files "$WORK/stage") <(list_files "$WORK/root") ||
  fail "package and install differ (<: install only, >: package only)"

gzip -dc "$WORK/root/usr/share/doc/tembrel/changelog.gz" | head -n 1 | grep -q "^tembrel ($VERSION) " ||
  fail "the changelog's newest entry is not $VERSION"

# Lintian without errors or warnings.
lintian --fail-on none --tag-display-limit 0 "$DEB" >"$WORK/lintian.log" 2>&1 ||
  { cat "$WORK/lintian.log"; fail "lintian did not run"; }
cat "$WORK/lintian.log"
complaints=$(grep -E '^[EW]: ' "$WORK/lintian.log" || true)
[ -z "$complaints" ] || fail "lintian: $complaints"

# Each manual page renders without a warning from the formatter.
for page in tembrel tembrel-tool; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$WORK/root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# The unpacked programs run with the system's libraries alone.
ROOT_BIN=$WORK/root/usr/bin
for program in tembrel tembrel-tool; do
  missing=$(ldd "$ROOT_BIN/$program" | grep 'not found' || true)
  [ -z "$missing" ] || fail "$program: $missing"
done
"$ROOT_BIN/tembrel-tool" --help | grep -q '^Usage: tembrel-tool ' || fail "tembrel-tool --help printed no usage"
"$MAKE_CSF" "$WORK/voice.csf" modern # six words
"$ROOT_BIN/tembrel-tool" info "$WORK/voice.csf" >"$WORK/info.txt" || fail "tembrel-tool info failed"
grep -qx 'words: 6' "$WORK/info.txt" || fail "tembrel-tool info: $(cat "$WORK/info.txt")"

# The editor answers --version before it needs a display.
version_out=$(env -u DISPLAY "$ROOT_BIN/tembrel" --version 2>&1) || fail "tembrel --version: $version_out"
[ "$version_out" = "tembrel $VERSION" ] || fail "tembrel --version: $version_out"
[ -n "${DISPLAY:-}" ] || fail "starting the unpacked editor needs a display (the suite runs under xvfb-run)"
HOME="$WORK" "$ROOT_BIN/tembrel" >"$WORK/app.log" 2>&1 &
APP_PID=$!
window=""
# A generous deadline: on a loaded machine the first start of a GTK program
# (fonts, icon theme caches) alone can take many seconds.
deadline=$((SECONDS + 90))
while [ $SECONDS -lt $deadline ]; do
  window=$(xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Tembrel ' 2>/dev/null | head -n 1) || true
  [ -n "$window" ] && break
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.2
done
[ -n "$window" ] || fail "the unpacked editor showed no window: $(cat "$WORK/app.log")"
kill "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
echo "package checks passed: $(basename "$DEB")"
