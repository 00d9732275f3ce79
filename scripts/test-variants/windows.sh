#!/usr/bin/env bash
# The Windows variant: cross-builds the core, the Win32 backend and every test
# program with MinGW-w64 into build/windows, then runs the tests under Wine in
# a fresh prefix (build/windows/wine-prefix). Exits non-zero on any failure.
#   scripts/test-variants/windows.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/../.."

jobs="${1:-2}"
build=build/windows
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"

# No build type: without debug information the static test programs build and
# link in about half the time.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE= -DBRENVIK_BUILD_GUI=OFF > /dev/null
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
