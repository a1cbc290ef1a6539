#!/bin/sh
# Installs everything the build and the tests need on Debian 12, from
# Debian's own packages, and generates the locales the tests use.
set -e
PACKAGES="g++ cmake ninja-build pkg-config googletest libgtest-dev libbenchmark-dev
 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool x11-apps
 imagemagick fonts-ipafont-gothic fonts-wine locales python3 libpng-dev libtiff-dev libopenexr-dev libcli11-dev valgrind
 ffmpeg melt frei0r-plugins-dev"

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

missing=""
for p in $PACKAGES; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  # shellcheck disable=SC2086
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# de_DE: a locale whose decimal separator is a comma, for the settings-file
# tests. ja_JP: wine gives programs started under it the Japanese ANSI code
# page (932), which the Japanese options dialog needs.
for loc in de_DE ja_JP; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8\$"; then
    $SUDO sed -i "s/^# *$loc.UTF-8 UTF-8/$loc.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
done
echo "setup: done"
