#!/usr/bin/env bash
# Finds Qt 6 for MinGW-w64 (the Windows build of the window) and prints its
# prefix (the folder holding lib/cmake/Qt6) on standard output. Exits 1 with
# the reason on standard error when there is none; exits 2 when an archive is
# there but fails its checksum. Looked for in this order:
#   1. the folder named by BRENVIK_QT_MINGW;
#   2. the prepared archive in ../shared/qt6-mingw/ (or BRENVIK_QT_MINGW_ARCHIVE_DIR),
#      checked against its SHA256SUMS and unpacked once into .cache/;
#   3. a Qt built by scripts/build-qt-mingw.sh (about an hour on two cores),
#      only when BRENVIK_QT_MINGW_BUILD=1 asks for it, or already built.
#   scripts/qt-mingw.sh
set -euo pipefail
cd "$(dirname "$0")/.."

version=6.4.2
name=qt6-mingw-$version-x86_64-w64-mingw32.tar.xz
archive_dir="${BRENVIK_QT_MINGW_ARCHIVE_DIR:-../shared/qt6-mingw}"
unpacked="$PWD/.cache/qt6-mingw-$version"
built="${BRENVIK_QT_MINGW_BUILD_DIR:-$HOME/.cache/brenvik/qt6-mingw-$version}"

is_qt_prefix() { [[ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ]]; }

if [[ -n "${BRENVIK_QT_MINGW:-}" ]]; then
  if is_qt_prefix "$BRENVIK_QT_MINGW"; then
    (cd "$BRENVIK_QT_MINGW" && pwd)
    exit 0
  fi
  echo "BRENVIK_QT_MINGW=$BRENVIK_QT_MINGW holds no Qt for MinGW (no lib/cmake/Qt6/qt.toolchain.cmake)" >&2
  exit 1
fi

if is_qt_prefix "$unpacked"; then
  echo "$unpacked"
  exit 0
fi

if [[ -f "$archive_dir/$name" ]]; then
  expected=$(awk -v n="$name" '$2 == n || $2 == "*" n { print $1 }' "$archive_dir/SHA256SUMS" 2> /dev/null || true)
  actual=$(sha256sum "$archive_dir/$name" | cut -d' ' -f1)
  if [[ -z "$expected" || "$expected" != "$actual" ]]; then
    echo "Refused $archive_dir/$name: its SHA-256 ($actual) does not match SHA256SUMS (${expected:-no entry}); not unpacked" >&2
    exit 2
  fi
  # Unpacked beside the final folder and renamed into place, so that an
  # interrupted unpack never passes for a complete one.
  staging="$unpacked.partial"
  rm -rf "$staging"
  mkdir -p "$staging"
  tar -xJf "$archive_dir/$name" -C "$staging"
  mv "$staging/qt6-mingw" "$unpacked"
  rm -rf "$staging"
  echo "Unpacked Qt $version for MinGW into $unpacked" >&2
  echo "$unpacked"
  exit 0
fi

if is_qt_prefix "$built"; then
  echo "$built"
  exit 0
fi

if [[ "${BRENVIK_QT_MINGW_BUILD:-0}" == 1 ]]; then
  scripts/build-qt-mingw.sh "$built" >&2
  echo "$built"
  exit 0
fi

echo "No Qt for MinGW: BRENVIK_QT_MINGW is not set, $archive_dir/$name is missing and" \
  "none was built (BRENVIK_QT_MINGW_BUILD=1 builds one from Debian's qt6-base source, about an hour)" >&2
exit 1
