#!/usr/bin/env bash
# Installs every Debian package the build, the editor and the test suite need.
# Idempotent: packages already present are skipped, so `make` stays quick.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtk2.0-dev libasound2-dev libasound2-plugins alsa-utils
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  nlohmann-json3-dev
  xvfb xauth xdotool x11-utils libxtst-dev libxdamage-dev imagemagick libgdk-pixbuf2.0-bin
  sox bc espeak-ng
  attr acl strace heaptrack
  libsndfile1-dev libsoxr-dev libebur128-dev
  pulseaudio pulseaudio-utils
  clang-14 libclang-rt-14-dev gcovr
  clang-format
  librsvg2-bin gzip
  desktop-file-utils appstream libxml2-utils shared-mime-info xdg-utils libfile-mimeinfo-perl file
  dpkg-dev lintian gettext
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
