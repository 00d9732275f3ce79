#!/usr/bin/env bash
# Builds the Windows installer Brenvik-<version>-Setup.exe from a MinGW build
# of the window (brenvik.exe), the command line (brenvik-cli.exe) and the
# service with its idle agent (brenvik-service.exe).
#   BRENVIK_QT_MINGW=<Qt for MinGW prefix> scripts/windows-installer.sh BUILD_DIR
#
# It deploys what the programs load, the way windeployqt would: the DLLs
# named in their import tables, found in Qt's bin folder or among the MinGW
# runtime libraries, followed recursively; the platform plugin qwindows and
# the style plugin qwindowsvistastyle (which Qt loads by name, not by import)
# with their own imports. Every other imported DLL must be one of Windows' own
# (listed in the output); the deployed programs are then packed by makensis
# for the amd64-unicode target. The installer lands in BUILD_DIR/installer/.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:?usage: $0 BUILD_DIR}"
qt="${BRENVIK_QT_MINGW:?set BRENVIK_QT_MINGW to the Qt for MinGW prefix}"
objdump=x86_64-w64-mingw32-objdump
[[ -d $build ]] || { echo "No build folder $build" >&2; exit 1; }
[[ -f $qt/bin/Qt6Core.dll ]] || { echo "No Qt for MinGW in $qt (bin/Qt6Core.dll)" >&2; exit 1; }
command -v makensis > /dev/null || { echo "makensis missing (Debian package nsis)" >&2; exit 1; }

find_program() {
  local found
  found=$(find "$build" -name "$1" -type f -not -path '*/installer/*' -print -quit)
  [[ -n $found ]] || { echo "No $1 in $build: build it first" >&2; exit 1; }
  echo "$found"
}

# The product version, from the one project() line of the build.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "No project version in $build/CMakeCache.txt" >&2; exit 1; }
IFS=. read -r -a parts <<< "$version"
while [[ ${#parts[@]} -lt 4 ]]; do parts+=(0); done
version_quad=$(IFS=.; echo "${parts[*]:0:4}")

# Where imported DLLs other than Windows' own come from.
runtime_dirs=("$qt/bin")
for d in /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
  if [[ -d $d ]]; then runtime_dirs+=("$d"); fi
done

imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }

locate_dll() {
  local dir hit
  for dir in "${runtime_dirs[@]}"; do
    hit=$(find "$dir" -maxdepth 1 -iname "$1" -print -quit)
    [[ -n $hit ]] && { echo "$hit"; return 0; }
  done
  return 0
}

stage="$build/installer/stage"
rm -rf "$stage"
mkdir -p "$stage"
declare -A deployed=() system=()

# Copies a DLL beside the programs (once) and follows its imports.
deploy_imports_of() {
  local dll path
  while read -r dll; do
    local key=${dll,,}
    [[ -n ${deployed[$key]:-} || -n ${system[$key]:-} ]] && continue
    path=$(locate_dll "$dll")
    if [[ -z $path ]]; then
      system[$key]=$dll
      continue
    fi
    deployed[$key]=$dll
    cp "$path" "$stage/$(basename "$path")"
    deploy_imports_of "$path"
  done < <(imports "$1")
}

for program in brenvik.exe brenvik-cli.exe brenvik-service.exe; do
  cp "$(find_program "$program")" "$stage/"
  deploy_imports_of "$stage/$program"
done
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
  mkdir -p "$stage/$(dirname "$plugin")"
  cp "$qt/plugins/$plugin" "$stage/$plugin"
  deploy_imports_of "$stage/$plugin"
done
# The built files carry their symbols; the installed ones need none.
find "$stage" \( -name '*.dll' -o -name '*.exe' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# NSIS lines for the files: File commands for the installer, Delete and
# RMDir for the uninstaller, folders last.
files_nsh="$build/installer/files.nsh"
unfiles_nsh="$build/installer/unfiles.nsh"
: > "$files_nsh"
: > "$unfiles_nsh"
stage_abs=$(cd "$stage" && pwd)
while read -r dir; do
  rel=${dir#.}
  rel=${rel#/}
  win=${rel//\//\\}
  echo "SetOutPath \"\$INSTDIR${win:+\\$win}\"" >> "$files_nsh"
  while read -r file; do
    echo "File \"$stage_abs/$rel${rel:+/}$file\"" >> "$files_nsh"
    echo "Delete \"\$INSTDIR\\${win:+$win\\}$file\"" >> "$unfiles_nsh"
  done < <(cd "$stage/$rel" && find . -maxdepth 1 -type f -printf '%f\n' | sort)
  [[ -n $rel ]] && echo "RMDir \"\$INSTDIR\\$win\"" >> "$unfiles_nsh.dirs"
done < <(cd "$stage" && find . -type d | sort)
[[ -f $unfiles_nsh.dirs ]] && cat "$unfiles_nsh.dirs" >> "$unfiles_nsh" && rm "$unfiles_nsh.dirs"

setup="$build/installer/Brenvik-$version-Setup.exe"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DVERSION_QUAD="$version_quad" \
  -DOUTFILE="$(realpath -m "$setup")" -DFILES_NSH="$(realpath "$files_nsh")" \
  -DUNFILES_NSH="$(realpath "$unfiles_nsh")" installer/windows/brenvik.nsi

echo "Windows DLLs imported (not deployed): $(printf '%s ' "${system[@]}" | tr ' ' '\n' | sort -f | tr '\n' ' ')"
echo "Deployed files:"
(cd "$stage" && find . -type f -printf '%10s  %P\n' | sort -k2)
echo "Installer: $setup ($(stat -c %s "$setup") bytes)"
