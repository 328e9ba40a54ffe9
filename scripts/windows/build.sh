#!/usr/bin/env bash
# Cross-builds Sheetsplicer.exe and sheetsplicer-cli.exe (and the tests that
# run on Windows) into build-windows/, each a single static executable, and
# the setup program build-windows/Sheetsplicer-setup-<version>.exe.
# Builds the static Qt first when the cache has none (about 25 minutes).
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/env.sh

[ -f "$QT_WIN_STAMP" ] || scripts/windows/build-qt.sh
use_posix_mingw
if ! command -v makensis >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nsis >/dev/null
fi

cmake -S . -B build-windows \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DSHEETSPLICER_QT_PREFIX="$QT_WIN_PREFIX" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
nice -n 19 cmake --build build-windows -j"${JOBS:-2}" "$@"
ls -l build-windows/app/Sheetsplicer.exe build-windows/cli/sheetsplicer-cli.exe \
  build-windows/Sheetsplicer-setup-*.exe
