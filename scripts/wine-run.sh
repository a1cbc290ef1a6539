#!/bin/sh
# Runs a Windows program under wine in a throw-away prefix of the build tree
# (WINEPREFIX may be set by the caller), without wine's debug chatter.
set -e
: "${WINEPREFIX:=${TMPDIR:-/tmp}/vortane-wine-$(id -u)}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
exec wine "$@"
