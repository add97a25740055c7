#!/usr/bin/env bash
# Installs the build folder into temporary folders, once with --prefix and
# once with DESTDIR, and checks the installed files and how they refer to
# each other. Then builds the prefix's MIME database and asks xdg-mime, with
# XDG_DATA_DIRS pointed there, for the types of CSF and project files, also
# under names that say nothing.
#
#   check_install.sh CMAKE BUILD APP_ID VERSION MAKE_TEST_CSF
set -euo pipefail
CMAKE=$1
BUILD=$2
APP_ID=$3
MAKE_CSF=$5

WORK=$(mktemp -d /tmp/tembrel-install.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

ICON_SIZES="16 22 24 32 48 64 128 256"
# Every file an install gives, relative to the prefix: a new file installed
# belongs in this list too.
expected_files() {
  local size
  printf '%s\n' bin/tembrel bin/tembrel-tool \
    "share/applications/$APP_ID.desktop" "share/metainfo/$APP_ID.metainfo.xml" \
    "share/mime/packages/$APP_ID.xml" share/man/man1/tembrel.1.gz share/man/man1/tembrel-tool.1.gz \
    share/doc/tembrel/copyright share/doc/tembrel/changelog.gz share/tembrel/examples/demo.tbp \
    share/doc/tembrel/guide.html share/locale/de/LC_MESSAGES/tembrel.mo \
    share/doc/tembrel/screenshots/guide-{listen,find,replace,import,rewire,save}.png \
    "share/icons/hicolor/scalable/apps/$APP_ID.svg" \
    share/icons/hicolor/scalable/mimetypes/application-x-tembrel-{csf,project}.svg
  for size in $ICON_SIZES; do
    printf '%s\n' "share/icons/hicolor/${size}x$size/apps/$APP_ID.png" \
      share/icons/hicolor/"${size}x$size"/mimetypes/application-x-tembrel-{csf,project}.png
  done
}
list_files() { # dir
  (cd "$1" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
}

PREFIX=$WORK/prefix
"$CMAKE" --install "$BUILD" --prefix "$PREFIX" >/dev/null
diff <(expected_files | LC_ALL=C sort) <(list_files "$PREFIX") ||
  fail "the install into $PREFIX is not the expected set of files (<: missing, >: unexpected)"

# DESTDIR stages the same tree and leaves the prefix itself alone.
DESTDIR="$WORK/stage" "$CMAKE" --install "$BUILD" --prefix "$WORK/final" >/dev/null
[ ! -e "$WORK/final" ] || fail "the DESTDIR install wrote into the prefix itself"
diff <(list_files "$PREFIX") <(list_files "$WORK/stage$WORK/final") ||
  fail "the DESTDIR install differs from the --prefix one"

# Each PNG icon has the size its folder names.
for size in $ICON_SIZES; do
  for png in "$PREFIX/share/icons/hicolor/${size}x$size"/*/*.png; do
    file -b "$png" | grep -q "^PNG image data, $size x $size," ||
      fail "$png: $(file -b "$png"), expected $size x $size"
  done
done

# The desktop entry starts an installed program, shows an installed icon and
# claims only types the MIME file declares; the metainfo file launches it.
DESKTOP=$PREFIX/share/applications/$APP_ID.desktop
MIME_XML=$PREFIX/share/mime/packages/$APP_ID.xml
program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$DESKTOP")
[ -x "$PREFIX/bin/$program" ] || fail "Exec names '$program', which is not installed in bin/"
icon=$(sed -n 's/^Icon=//p' "$DESKTOP")
[ -e "$PREFIX/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "Icon names '$icon', which has no installed icon"
types=$(sed -n 's/^MimeType=//p' "$DESKTOP")
[ -n "$types" ] || fail "the desktop entry claims no file types"
for type in ${types//;/ }; do
  grep -q "<mime-type type=\"$type\">" "$MIME_XML" || fail "the desktop entry claims $type, which the MIME file does not declare"
done
launchable=$(xmllint --xpath 'string(/component/launchable[@type="desktop-id"])' \
  "$PREFIX/share/metainfo/$APP_ID.metainfo.xml")
[ "$launchable" = "$(basename "$DESKTOP")" ] || fail "the metainfo file launches '$launchable'"

# Every picture the installed guide shows is installed beside it.
GUIDE=$PREFIX/share/doc/tembrel/guide.html
pictures=$(grep -o '<img src="[^"]*"' "$GUIDE" | sed 's/<img src="//; s/"$//')
[ -n "$pictures" ] || fail "the guide shows no pictures"
for picture in $pictures; do
  [ -s "$PREFIX/share/doc/tembrel/$picture" ] || fail "the guide shows $picture, which is not installed"
done

# The installed MIME database; update-mime-database reports faults but exits 0.
out=$(update-mime-database "$PREFIX/share/mime" 2>&1)
if grep -qi 'error\|warning' <<<"$out"; then
  fail "update-mime-database: $out"
fi

# xdg-mime outside a desktop session asks the shared MIME database through
# `mimetype`; without it, it would fall back to a tool that never reads it.
command -v mimetype >/dev/null || fail "xdg-mime needs mimetype (package libfile-mimeinfo-perl)"
FILES=$WORK/files
mkdir -p "$FILES" "$WORK/data-home"
"$MAKE_CSF" "$FILES/modern.csf" modern
"$MAKE_CSF" "$FILES/old.csf" old
"$PREFIX/bin/tembrel-tool" save "$FILES/modern.csf" "$FILES/work.tbp" >/dev/null
cp "$FILES/work.tbp" "$FILES/work-backup"
cp "$FILES/modern.csf" "$FILES/modern-copy"
cp "$FILES/old.csf" "$FILES/old-copy"
# The start of a video stream: the old variant's first number without its
# phrase table offset.
printf '\0\0\0\001\147\102\0\036\225\250\024\037' >"$FILES/stream"
echo "not a database" >"$FILES/notes.txt"

status=0
while read -r name expected; do
  got=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
    XDG_DATA_HOME="$WORK/data-home" XDG_DATA_DIRS="$PREFIX/share:/usr/share" \
    xdg-mime query filetype "$FILES/$name")
  if [ "${expected#!}" != "$expected" ]; then
    [ "$got" != "${expected#!}" ] || { echo "$name: $got, expected anything else" >&2; status=1; }
  else
    [ "$got" = "$expected" ] || { echo "$name: $got, expected $expected" >&2; status=1; }
  fi
done <<'TABLE'
modern.csf   application/x-tembrel-csf
old.csf      application/x-tembrel-csf
work.tbp     application/x-tembrel-project
work-backup  application/x-tembrel-project
modern-copy  application/x-tembrel-csf
old-copy     application/x-tembrel-csf
stream       !application/x-tembrel-csf
notes.txt    text/plain
TABLE
[ "$status" -eq 0 ] || fail "xdg-mime gave the wrong types above"
echo "install checks passed in $PREFIX"
