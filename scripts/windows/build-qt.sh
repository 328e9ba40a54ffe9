#!/usr/bin/env bash
# Builds a static Qt 5.15.8 (qtbase) for x86_64-w64-mingw32 from Debian's
# source package and installs it into a cache folder outside the repository.
# Does nothing when that Qt is already installed there.
#
#   SHEETSPLICER_WIN_CACHE  cache folder (default ~/.cache/sheetsplicer-windows)
#   JOBS                    parallel make jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/env.sh

if [ -f "$QT_WIN_STAMP" ]; then
  echo "Static Qt already installed at $QT_WIN_PREFIX"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# Source entries for the same Debian archive that apt already uses.
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      | $SUDO tee /etc/apt/sources.list.d/sheetsplicer-src.sources >/dev/null
  else
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | $SUDO tee /etc/apt/sources.list.d/sheetsplicer-src.list >/dev/null
  fi
fi

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  g++ make perl python3 dpkg-dev cmake pkg-config
  wine wine64 xvfb xauth imagemagick nsis
)
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null

use_posix_mingw

mkdir -p "$QT_WIN_CACHE"
# Debian 12 has qtbase 5.15.8; another release's source is refused.
find_source() {
  find "$QT_WIN_CACHE/src" -maxdepth 1 -type d -name 'qtbase-opensource-src-5.15.8*' | head -n1
}
mkdir -p "$QT_WIN_CACHE/src"
src=$(find_source)
if [ -z "$src" ]; then
  (cd "$QT_WIN_CACHE/src" && apt-get source qtbase-opensource-src)
  src=$(find_source)
  if [ -z "$src" ]; then
    echo "apt-get source gave no qtbase 5.15.8 in $QT_WIN_CACHE/src" >&2
    exit 1
  fi
fi
echo "Qt source: $src"

# Qt Test is part of qtbase's libraries: "-make libs" builds it; only Qt's
# own examples and tests are left out. Debian's source has no bundled
# SQLite, and the program needs no SQL driver.
options=(
  -prefix "$QT_WIN_PREFIX"
  -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
  -static -static-runtime -release -opensource -confirm-license
  -make libs -make tools -nomake examples -nomake tests
  -no-opengl -no-dbus -no-icu -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype
  -qt-pcre -qt-harfbuzz -no-sql-sqlite -no-feature-tabletevent -no-feature-network
)
# A build stopped part-way goes on where it was, as long as the options are
# the same.
build="$QT_WIN_CACHE/build-qtbase"
if [ "$(cat "$build/.sheetsplicer-options" 2>/dev/null)" != "${options[*]}" ]; then
  rm -rf "$build"
  mkdir -p "$build"
  (cd "$build" && nice -n 19 "$src/configure" "${options[@]}")
  echo "${options[*]}" > "$build/.sheetsplicer-options"
fi
cd "$build"
nice -n 19 make -j"${JOBS:-2}"
nice -n 19 make install
touch "$QT_WIN_STAMP"
echo "Static Qt installed at $QT_WIN_PREFIX"
