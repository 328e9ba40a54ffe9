#!/usr/bin/env bash
# Installs what the build, the program and the tests need, then builds in build/.
# Safe to run again: apt is only asked when a package is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ make pkg-config
  qtbase5-dev qtbase5-dev-tools qtbase5-private-dev qttranslations5-l10n
  libreoffice-calc-nogui libreoffice-dev
  libgsf-1-dev libssl-dev libzip-dev libxml2-dev
  xvfb xauth
  python3 python3-msoffcrypto-tool python3-openpyxl python3-uno unzip
  fonts-wqy-microhei
  lintian
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build build -j"$(nproc)"
