#!/usr/bin/env bash
# Pictures of the real brenvik.exe under Wine, for looking at the window as a
# Windows user sees it: the windows platform plugin on an X server (Xvfb),
# Wine's own window frames (a Wine virtual desktop), a prepared data tree and
# the stand-in service on the service's own named pipe (installed_check
# serve). Writes one PNG per page, the History and Logins pages with their
# reports browsed, into OUT_DIR (default BUILD_DIR/screenshots-windows).
#   BRENVIK_QT_MINGW=<Qt for MinGW prefix> scripts/screenshots-windows.sh BUILD_DIR [OUT_DIR]
# Needs xdotool and ImageMagick (installed here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:?usage: $0 BUILD_DIR [OUT_DIR]}"
out="${2:-$build/screenshots-windows}"
for tool in xdotool:xdotool import:imagemagick Xvfb:xvfb; do
  command -v "${tool%%:*}" > /dev/null && continue
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${tool#*:}"
done

[[ -f $build/installer/stage/brenvik.exe && ${BRENVIK_REUSE_INSTALLER:-0} == 1 ]] || scripts/windows-installer.sh "$build" > /dev/null
stage=$(realpath "$build/installer/stage")
check=$(realpath "$(find "$build" -name installed_check.exe -type f -print -quit)")
mkdir -p "$out"
out=$(realpath "$out")

wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
export WINEPREFIX="$(realpath "$build")/screenshots-wine-prefix"
export WINEDEBUG=-all WINEARCH=win64 TZ=UTC

display=:$((60 + RANDOM % 30))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
# The prefix (about 700 MB) goes with the run.
cleanup() {
  "$wineserver" -k 2> /dev/null || true
  kill "$xvfb" 2> /dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

rm -rf "$WINEPREFIX"
"$wine" wineboot -i > /dev/null 2>&1
"$wineserver" -w

# The data tree and the keys an installation leaves.
data="$WINEPREFIX/drive_c/BrenvikData"
mkdir -p "$data/Settings" "$data/Data/Backup"
"$wine" reg add 'HKLM\Software\Taveron\Brenvik\1.0' /v FolderDataPath /d 'C:\BrenvikData\' /f > /dev/null 2>&1
"$wine" reg add 'HKCU\Software\Taveron\Brenvik\1.0' /f > /dev/null 2>&1

# What the service hands over (UTC, no offset): four earlier runs of the
# computer, one ending in a crash, with ann's and bob's logins, then the boot
# of the current run (the machine's own uptime ago) and ann's login.
at() { date -u -d "@$(($(date +%s) - $1))" '+%F %T'; }
boot_ago=$(cut -d. -f1 /proc/uptime)
day=86400
{
  for run in 9 6 4 2; do
    start=$((run * day + 5 * 3600))
    echo "$(at $start);0;;1;;0"
    echo "$(at $((start - 90)));0;PC1|ann;5;0;"
    echo "$(at $((start - 3 * 3600)));0;PC1|ann;6;0;"
    echo "$(at $((start - 3 * 3600 - 600)));0;PC1|bob;5;0;"
    echo "$(at $((start - 7 * 3600)));0;PC1|bob;6;0;"
    [[ $run != 6 ]] && echo "$(at $((start - 8 * 3600)));0;;2;;"
  done
  echo "$(at "$boot_ago");0;;1;;0"
  echo "$(at $((boot_ago - 60)));0;PC1|ann;5;0;"
} | sed 's/$/\r/' > "$WINEPREFIX/drive_c/handover.txt"

"$wine" "$check" serve 600 'C:\handover.txt' < /dev/null > /dev/null 2>&1 &
"$wine" explorer /desktop=Brenvik,1024x700 "$("$wine" winepath -w "$stage/brenvik.exe" 2> /dev/null | tr -d '\r')" \
  < /dev/null > /dev/null 2>&1 &

desktop=""
for _ in $(seq 120); do
  desktop=$(xdotool search --name 'Wine desktop' 2> /dev/null | head -n 1 || true)
  [[ -n $desktop ]] && xdotool search --name '^Brenvik$' > /dev/null 2>&1 && break
  sleep 0.5
done
[[ -n $desktop ]] || { echo "brenvik.exe did not come up" >&2; exit 1; }
sleep 5

shoot() { # NAME
  import -window "$desktop" "$out/$1.png"
  echo "$out/$1.png"
}
press() { # KEYS SECONDS
  xdotool key "$1"
  sleep "$2"
}

# Keys reach the focused window only (Wine ignores synthetic events sent to a
# window): the desktop gets the X focus and a click on the window's caption
# (centred in the desktop) makes it the active one.
xdotool windowfocus --sync "$desktop"
xdotool mousemove --window "$desktop" 512 71 click 1
sleep 1

press alt+w 2 && shoot Uptime
press alt+p 3 && shoot Programms
press alt+u 2 && shoot History
press alt+b 4 && shoot History-browsed
press alt+l 2 && shoot Logins
press alt+b 4 && shoot Logins-browsed
press alt+o 2 && shoot Options
