#!/usr/bin/env bash
# The Windows variant: cross-builds the core, the Win32 backend, the window
# (brenvik.exe, against Qt for MinGW) and every test program with MinGW-w64
# into build/windows, then runs the tests under Wine in a fresh prefix
# (build/windows/wine-prefix), and the service end to end in a prefix of its
# own. Without a Qt for MinGW (scripts/qt-mingw.sh)
# everything but the window and its tests is built and tested, and it says
# so. Exits non-zero on any failure.
#   scripts/test-variants/windows.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/../.."

jobs="${1:-2}"
build=build/windows
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"

# Qt for MinGW: status 2 is an archive that failed its checksum, which stops
# the run (a CI machine always has the archive, and the window must be built).
qt_status=0
qt=$(scripts/qt-mingw.sh) || qt_status=$?
[[ $qt_status -eq 2 ]] && exit 1
if [[ $qt_status -eq 0 ]]; then
  # Qt's toolchain file finds Qt and loads the project's own after it.
  toolchain="$qt/lib/cmake/Qt6/qt.toolchain.cmake"
  settings=(-DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DQT_HOST_PATH=/usr
            -DBRENVIK_BUILD_GUI=ON)
else
  toolchain="$PWD/cmake/mingw-w64.cmake"
  settings=(-DBRENVIK_BUILD_GUI=OFF)
fi
# A build folder made with the other toolchain is started afresh.
if [[ -f "$build/CMakeCache.txt" ]] &&
   ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi

# No build type: without debug information the static test programs build and
# link in about half the time.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE= \
  "${settings[@]}" > /dev/null
cmake --build "$build" -j"$jobs"

wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

export WINEPREFIX="$PWD/$build/wine-prefix"
export WINEDEBUG=-all
export WINEARCH=win64
rm -rf "$WINEPREFIX"
"$wine" wineboot -i > /dev/null 2>&1
# There is no display: Wine's null graphics driver still gives real (never
# shown) windows, which the single-instance tests need.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
"$wineserver" -w
# One server for the whole run instead of one per idle gap.
"$wineserver" -p
trap '"$wineserver" -k 2> /dev/null || true' EXIT

ctest --test-dir "$build" --output-on-failure -j"$jobs"
# The prefix takes about 700 MB; it is kept only when a test failed.
"$wineserver" -k 2> /dev/null || true
rm -rf "$WINEPREFIX"

# The service installed, started and killed through the service control
# manager of a prefix of its own, with the command line's hand-overs (it
# prints its time).
scripts/windows-service-test.sh "$build"

if [[ $qt_status -ne 0 ]]; then
  echo "** The window (brenvik.exe), its tests and the installer were NOT built: no Qt for MinGW was found."
  exit 0
fi
# The installer: built with the Qt DLLs the programs load, then installed,
# run, upgraded and uninstalled under Wine in a prefix of its own.
installer_started=$SECONDS
BRENVIK_QT_MINGW="$qt" scripts/windows-installer-test.sh "$build"
echo "-- the installer's build and test took $((SECONDS - installer_started)) s"
