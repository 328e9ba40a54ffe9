#!/usr/bin/env bash
# Builds Sheetsplicer and starts it (under a virtual display when there is none).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" build/app/Sheetsplicer "$@"
fi
exec build/app/Sheetsplicer "$@"
