#!/usr/bin/env bash
# Cross-builds the tests that need no LibreOffice and runs them under Wine
# on a virtual display (a static Qt has only the windows platform plugin).
# Extra arguments go to ctest, e.g. -R com_.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/windows/build.sh
source scripts/windows/env.sh

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$QT_WIN_CACHE/wineprefix}"
# The first start of a new prefix sets it up (a minute or so).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  xvfb-run -a wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi
cd build-windows
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure "$@"
