#!/bin/sh
# Runs a Windows program under wine in a throw-away prefix of the build tree
# (WINEPREFIX may be set by the caller), without wine's debug chatter. Without
# an X display the program runs on a private Xvfb server, which lives until
# every wine process of the run has ended.
set -e
: "${WINEPREFIX:=${TMPDIR:-/tmp}/vortane-wine-$(id -u)}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ -z "$DISPLAY" ]; then
  VORTANE_WINE_OWN_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
# Windows open on a wine desktop of their own (1280 x 1024), which draws
# their frames and captions itself and needs no window manager; dialog fonts
# "MS UI Gothic" are drawn with the Japanese gothic font of Debian's
# fonts-ipafont-gothic.
if [ ! -f "$WINEPREFIX/vortane-settings-2" ]; then
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d 'IPAPGothic' /f >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  touch "$WINEPREFIX/vortane-settings-2"
fi
# Wine's own fonts (Debian's fonts-wine: Tahoma, and Marlett for the caption
# buttons) are put where the prefix's programs find them.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
fi

if [ -n "$VORTANE_WINE_OWN_DISPLAY" ]; then
  status=0
  wine "$@" || status=$?
  # The display goes away with this script: let wine's own processes of the
  # run end first.
  wineserver -w 2>/dev/null || true
  exit $status
fi
exec wine "$@"
