#!/usr/bin/env bash
# Cross-builds Sheetsplicer.exe and sheetsplicer-cli.exe (and the tests that
# run on Windows) into build-windows/, each a single static executable.
# Builds the static Qt first when the cache has none (about 25 minutes).
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/env.sh

[ -f "$QT_WIN_STAMP" ] || scripts/windows/build-qt.sh
use_posix_mingw

cmake -S . -B build-windows \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DSHEETSPLICER_QT_PREFIX="$QT_WIN_PREFIX" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
nice -n 19 cmake --build build-windows -j"${JOBS:-2}" "$@"
ls -l build-windows/app/Sheetsplicer.exe build-windows/cli/sheetsplicer-cli.exe
