#!/usr/bin/env bash
# Builds Sheetsplicer and starts it (under a virtual display when there is none).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a build/app/Sheetsplicer "$@"
fi
exec build/app/Sheetsplicer "$@"
