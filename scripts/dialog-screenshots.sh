#!/bin/sh
# Screenshots of the options dialog in English and Japanese, as the Windows
# build shows it under wine on a private Xvfb display: writes
# docs/options-dialog-en.png and docs/options-dialog-ja.png.
# BUILD_DIR chooses the Windows build tree (default build/windows, configured
# with the windows preset when missing).
set -e
cd "$(dirname "$0")/.."
root="$(pwd)"
build="${BUILD_DIR:-build/windows}"

if [ -z "$VORTANE_SHOTS_DISPLAY" ]; then
  if [ ! -f "$build/build.ninja" ]; then
    if [ "$build" = build/windows ]; then
      cmake --preset windows >/dev/null
    else
      cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
  fi
  cmake --build "$build" --target T_Vortane vortane_dialog_viewer
  # One display for wine and the screen capture.
  VORTANE_SHOTS_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

build="$(cd "$build" && pwd)"
mkdir -p docs
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

shoot() { # language tag, locale, output file
  # A prefix per language: wine fixes a prefix's code page when it starts.
  prefix="$build/wineprefix-shots-$1"
  rm -f "$work/rect" "$work/done"
  WINEPREFIX="$prefix" LANG="$2" LC_ALL="$2" "$root/scripts/wine-run.sh" \
    "$build/tests/win/vortane_dialog_viewer.exe" "--plugin=Z:$build/T_Vortane.aex" "--language=$1" \
    "--rect-file=Z:$work/rect" "--done-file=Z:$work/done" &
  viewer=$!
  waited=0
  until [ -f "$work/rect" ]; do
    if ! kill -0 "$viewer" 2>/dev/null || [ "$waited" -ge 1200 ]; then
      echo "dialog-screenshots: the dialog did not open ($1)" >&2
      touch "$work/done"
      wait "$viewer" || true
      exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  read -r left top width height <"$work/rect"
  import -window root -crop "${width}x${height}+${left}+${top}" +repage "$3"
  touch "$work/done"
  wait "$viewer"
  WINEPREFIX="$prefix" wineserver -w
  echo "dialog-screenshots: wrote $3"
}

shoot en_US C.UTF-8 docs/options-dialog-en.png
shoot ja_JP ja_JP.UTF-8 docs/options-dialog-ja.png
