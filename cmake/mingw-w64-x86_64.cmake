# Cross build for 64-bit Windows with MinGW-w64 (posix thread model) against
# the static Qt that scripts/windows/build-qt.sh installs.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# SHEETSPLICER_QT_PREFIX (a cache variable) or the SHEETSPLICER_WIN_CACHE
# environment variable say where that Qt is.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${MINGW_TRIPLET}-gcc-posix ${MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLET}-g++-posix ${MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLET}-windres)

if(NOT SHEETSPLICER_QT_PREFIX)
  if(DEFINED ENV{SHEETSPLICER_WIN_CACHE})
    set(_cache "$ENV{SHEETSPLICER_WIN_CACHE}")
  else()
    set(_cache "$ENV{HOME}/.cache/sheetsplicer-windows")
  endif()
  set(SHEETSPLICER_QT_PREFIX "${_cache}/qt-5.15.8-mingw64-static" CACHE PATH "Static Qt for Windows")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${SHEETSPLICER_QT_PREFIX})
set(CMAKE_PREFIX_PATH ${SHEETSPLICER_QT_PREFIX})
set(Qt5_DIR ${SHEETSPLICER_QT_PREFIX}/lib/cmake/Qt5 CACHE PATH "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# One executable each, with no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# ctest runs the test executables through Wine.
find_program(SHEETSPLICER_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(SHEETSPLICER_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SHEETSPLICER_WINE})
endif()
