# shellcheck shell=bash
# Shared settings for the Windows scripts; sourced, not run.
QT_WIN_CACHE="${SHEETSPLICER_WIN_CACHE:-$HOME/.cache/sheetsplicer-windows}"
QT_WIN_PREFIX="$QT_WIN_CACHE/qt-5.15.8-mingw64-static"
QT_WIN_STAMP="$QT_WIN_PREFIX/.installed"
export QT_WIN_CACHE QT_WIN_PREFIX QT_WIN_STAMP

# Qt and the program need the mingw compilers of the posix thread model
# (std::thread, std::mutex); make the unsuffixed names point at them.
use_posix_mingw() {
  local tool
  for tool in gcc g++; do
    if [ -x "/usr/bin/x86_64-w64-mingw32-$tool-posix" ]; then
      update-alternatives --set "x86_64-w64-mingw32-$tool" \
        "/usr/bin/x86_64-w64-mingw32-$tool-posix" >/dev/null 2>&1 || true
    fi
  done
  # Read whole first: with pipefail, grep -q closing the pipe early could
  # fail the compiler's write and so the check.
  local version
  version=$(x86_64-w64-mingw32-g++ -v 2>&1 || true)
  if [[ "$version" != *"Thread model: posix"* ]]; then
    echo "x86_64-w64-mingw32-g++ is not the posix thread model compiler" >&2
    return 1
  fi
}
