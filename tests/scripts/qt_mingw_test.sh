#!/usr/bin/env bash
# The search for Qt for MinGW (scripts/qt-mingw.sh) over a small stand-in
# archive: a matching archive is unpacked once into the project's cache and
# its folder printed; an archive that fails its checksum is refused with a
# message and never unpacked; a folder given by BRENVIK_QT_MINGW wins, and one
# that holds no Qt is an error.
#   qt_mingw_test.sh PATH/TO/scripts/qt-mingw.sh
set -euo pipefail

script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A project of its own (the script works from its parent folder).
mkdir -p "$work/project/scripts" "$work/archive" "$work/content/qt6-mingw/lib/cmake/Qt6"
cp "$script" "$work/project/scripts/"
touch "$work/content/qt6-mingw/lib/cmake/Qt6/qt.toolchain.cmake"
name=qt6-mingw-6.4.2-x86_64-w64-mingw32.tar.xz
tar -cJf "$work/archive/$name" -C "$work/content" qt6-mingw
# A BRENVIK_QT_MINGW of the caller (a developer pointing at a shared Qt)
# would win over every case below; each case sets its own.
run() { (cd "$work/project" && env -u BRENVIK_QT_MINGW BRENVIK_QT_MINGW_ARCHIVE_DIR="$work/archive" "$@" scripts/qt-mingw.sh); }

# A wrong checksum: status 2, the reason, nothing unpacked.
echo "0000000000000000000000000000000000000000000000000000000000000000  $name" > "$work/archive/SHA256SUMS"
status=0
message=$(run 2>&1 > /dev/null) || status=$?
[[ $status -eq 2 ]] || fail "a wrong checksum gave status $status"
[[ $message == *"does not match SHA256SUMS"*"not unpacked"* ]] || fail "message: $message"
[[ ! -e "$work/project/.cache" ]] || fail "something was unpacked"

# The right one: unpacked into .cache/qt6-mingw-6.4.2 and printed.
(cd "$work/archive" && sha256sum "$name" > SHA256SUMS)
prefix=$(run 2> /dev/null) || fail "a matching archive was refused"
[[ $prefix == "$work/project/.cache/qt6-mingw-6.4.2" ]] || fail "printed $prefix"
[[ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]] || fail "not unpacked"
# Once: a later run takes the unpacked folder even without the archive.
rm "$work/archive/$name"
[[ $(run 2> /dev/null) == "$prefix" ]] || fail "the unpacked folder was not reused"

# The variable wins; a folder without Qt in it is an error.
[[ $(run BRENVIK_QT_MINGW="$work/content/qt6-mingw" 2> /dev/null) == "$work/content/qt6-mingw" ]] ||
  fail "BRENVIK_QT_MINGW was not taken"
status=0
run BRENVIK_QT_MINGW="$work/archive" > /dev/null 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "a folder without Qt gave status $status"
echo "qt-mingw.sh: all cases passed"
