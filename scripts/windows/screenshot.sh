#!/usr/bin/env bash
# Starts the cross-built Sheetsplicer.exe under Wine on a virtual display
# and saves a picture of the screen (default docs/windows-window.png).
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/env.sh
out="${1:-docs/windows-window.png}"
exe=build-windows/app/Sheetsplicer.exe
[ -f "$exe" ] || scripts/windows/build.sh

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$QT_WIN_CACHE/wineprefix}"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  /usr/lib/wine/wine64 "$1" & program=$!
  sleep "${SETTLE:-20}"
  import -window root "$2"
  kill "$program" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
' _ "$exe" "$out"
echo "Saved $out"
