#!/usr/bin/env bash
# Builds the Windows installer and runs it under Wine in a fresh prefix:
#   BRENVIK_QT_MINGW=<Qt for MinGW prefix> scripts/windows-installer-test.sh BUILD_DIR
# BUILD_DIR is a MinGW build with the window (brenvik.exe, brenvik-cli.exe
# and the test program installed_check.exe built).
#
# Round 1, default folders: silent install; the files, keys, data tree and
# shortcut are there, the service is registered to start automatically and
# has recorded its start, the idle agent's Run entry is written;
# installed_check runs the installed command line against the stand-in
# service (the real one set to start on demand meanwhile) and the installed
# window (one copy only, closes on WM_CLOSE); an installer over the
# installation upgrades it, keeps the data and the activity log's bytes and
# updates the service's registration in place to start automatically again;
# an uninstaller facing a copy that will not close refuses and changes
# nothing; an uninstaller facing a running brenvik.exe closes it and removes
# the program, service, Run entry, shortcut and uninstall entry, leaving the
# data tree with the log.
# Round 2: install and uninstall folders with blanks and non-ASCII letters.
# BRENVIK_REUSE_INSTALLER=1 skips building the installer again.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:?usage: $0 BUILD_DIR}"
start_time=$SECONDS
# BRENVIK_REUSE_INSTALLER=1 tests the installer already built.
if [[ ${BRENVIK_REUSE_INSTALLER:-0} != 1 ]]; then scripts/windows-installer.sh "$build"; fi
setup=$(ls "$build"/installer/Brenvik-*-Setup.exe)
check=$(find "$build" -name installed_check.exe -type f -print -quit)
[[ -n $check ]] || { echo "No installed_check.exe in $build: build it first" >&2; exit 1; }

wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
export WINEPREFIX="$(realpath "$build")/installer/wine-prefix"
export WINEDEBUG=-all WINEARCH=win64 LANG=C.UTF-8 LC_ALL=C.UTF-8
drive_c="$WINEPREFIX/drive_c"

scratch=$(mktemp -d)
rm -rf "$WINEPREFIX"
"$wine" wineboot -i > /dev/null 2>&1
# No display needed: Wine's null graphics driver still makes real windows.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
"$wineserver" -w
trap '"$wineserver" -k 2> /dev/null || true; rm -rf "$scratch"' EXIT

source scripts/lib/checks.sh
run_wine() { "$wine" "$@" < /dev/null > /dev/null 2>&1; }
# A program's output through a file: Wine's helper processes would inherit a
# pipe and hold it open long after the program ended.
wine_out() {
  local status=0
  "$wine" "$@" < /dev/null > "$scratch/out" 2> /dev/null || status=$?
  tr -d '\r' < "$scratch/out"
  return $status
}
# A command line as Windows receives it, untouched by Wine's quoting (NSIS
# wants /D= last and unquoted, blanks and all), through a UTF-8 file.
run_raw() {
  printf '%s' "$1" > "$scratch/command-line"
  "$wine" "$check" exec "Z:${scratch//\//\\}\\command-line" < /dev/null > /dev/null 2>&1
}
# Waits for every program of the prefix to end; a program left running (a
# copy the uninstaller failed to close) counts as a failure, not a hang.
settle() { timeout 180 "$wineserver" -w || fail "programs still running after 180 s"; }
key_exists() { run_wine reg query "$1"; }
# A text value, through an export (UTF-16) rather than reg's console output,
# which loses letters outside the console's code page.
value_of() { # KEY NAME
  rm -f "$scratch/export.reg"
  run_wine regedit /E "Z:${scratch//\//\\}\\export.reg" "$1"
  [[ -f $scratch/export.reg ]] || return 0
  iconv -f UTF-16LE -t UTF-8 "$scratch/export.reg" | tr -d '\r' |
    sed -n "s/^\"$2\"=\"\(.*\)\"\$/\1/p" | sed 's/\\\\/\\/g'
}
unix_path() { wine_out winepath -u "$1"; }

uninstall_key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brenvik'
service_key='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\BrenvikService'
run_key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run'
product_key='Software\Taveron\Brenvik\1.0'
setup_win=$(wine_out winepath -w "$(realpath "$setup")")
shortcut="$(unix_path 'C:\users')/${USER:-$(id -un)}/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Brenvik.lnk"

# install [EXTRA OPTIONS]: silent install, returns the installer's exit code.
install() {
  local status=0
  run_raw "\"$setup_win\" /S $*" || status=$?
  settle
  return $status
}

expect_installed() { # DIR (Windows path)
  local dir
  dir=$(unix_path "$1")
  expect "program files in $1" test -f "$dir/brenvik.exe" -a -f "$dir/brenvik-cli.exe" \
    -a -f "$dir/platforms/qwindows.dll" -a -f "$dir/uninstall.exe"
  expect "uninstall entry names $1" test "$(value_of "$uninstall_key" InstallLocation)" = "$1"
  expect "current user's product key" key_exists "HKEY_CURRENT_USER\\$product_key"
  expect "Start-menu shortcut" test -f "$shortcut"
}

# Wine's sc has no qc: the registration is read from the registry. Wine
# starts automatic services with its first program and ends them with its
# last, so the service runs while the installer does.
service_start_type() {
  wine_out reg query "$service_key" /v Start | sed -n 's/.*Start *REG_DWORD *0x\([0-9a-f]*\).*/\1/p'
}
expect_service() { # DIR DATA_ROOT (Windows paths)
  local log
  log="$(unix_path "$2")/Data/LogInformation.dat"
  expect "service registered to start automatically" test "$(service_start_type)" = 2
  expect "service ran: its start is in the activity log" \
    bash -c "tr -d '\r' < '$log' | awk -F';' '\$4 == 1' | grep -q ."
  expect "idle agent's Run entry" \
    test "$(value_of "$run_key" BrenvikIdleAgent)" = "\\\"$1\\brenvik-service.exe\\\" --idle-agent"
}
# The stand-in service of installed_check needs the pipe: the real service
# starts on demand only until an installer registers it again.
# The mark shows whether an upgrade kept the registration or made it anew.
hold_service() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n"Start"=dword:00000003\r\n"KeptMark"="1"\r\n' \
    "$service_key" > "$scratch/hold.reg"
  run_wine regedit /S "Z:${scratch//\//\\}\\hold.reg"
  settle
}

expect_removed() { # DIR DATA_ROOT (Windows paths)
  local dir data
  dir=$(unix_path "$1")
  data=$(unix_path "$2")
  expect "install folder removed" test ! -e "$dir"
  expect "shortcut removed" test ! -e "$shortcut"
  expect "uninstall entry removed" bash -c "! $(printf '%q ' "$wine") reg query '$uninstall_key' > /dev/null 2>&1"
  expect "data tree kept" test -d "$data/Settings" -a -d "$data/Data/Backup"
  expect "service removed" bash -c "! $(printf '%q ' "$wine") reg query '$service_key' > /dev/null 2>&1"
  expect "Run entry removed" test -z "$(value_of "$run_key" BrenvikIdleAgent)"
}

# The Windows-side checks of the installed programs, with their output.
check_installed() { # DIR DATA_ROOT (Windows paths): what the installer was told
  local status=0
  BRENVIK_EXPECT_INSTALL_DIR=$1 BRENVIK_EXPECT_DATA_ROOT=$2 "$wine" "$check" run --gtest_brief=1 < /dev/null > "$scratch/check" 2>&1 || status=$?
  tr -d '\r' < "$scratch/check" | sed 's/^/    /'
  expect "installed programs (installed_check)" test "$status" = 0
}

uninstall() { # DIR (Windows path); the uninstaller copies itself and returns
  run_raw "\"$1\\uninstall.exe\" /S"
  settle
}

echo "== Round 1: default folders"
program_dir='C:\Program Files\Taveron\Brenvik'
expect "silent install" install
expect_installed "$program_dir"
data_root=$(value_of "HKEY_LOCAL_MACHINE\\$product_key" FolderDataPath)
expect "FolderDataPath is the shared application data folder" \
  test "$data_root" = 'C:\ProgramData\Taveron\Brenvik\'
data_dir=$(unix_path "$data_root")
expect_service "$program_dir" "$data_root"

hold_service
check_installed "$program_dir" "$data_root"
settle
# The monitor's files; the service's own go on changing while it records.
monitor_files() {
  (cd "$data_dir/Data" && find . -type f ! -name LogInformation.dat ! -name BrenvikService.state |
    sort | xargs md5sum)
}
tables_before=$(monitor_files)
cp "$data_dir/Data/LogInformation.dat" "$scratch/log-before"
log_bytes=$(stat -c %s "$scratch/log-before")

expect "install over the installation (upgrade in place)" install
expect_installed "$program_dir"
expect_service "$program_dir" "$data_root"
expect "upgrade updated the service's registration in place" \
  test "$(value_of "$service_key" KeptMark)" = 1
expect "upgrade kept the data tree" test "$(monitor_files)" = "$tables_before"
expect "upgrade kept the activity log's $log_bytes bytes" \
  cmp -s -n "$log_bytes" "$scratch/log-before" "$data_dir/Data/LogInformation.dat"

# A copy that ignores WM_CLOSE: the uninstaller (run in place, so that its
# exit code is its own) refuses and removes nothing.
"$wine" "$check" stubborn 40 < /dev/null > /dev/null 2>&1 &
stubborn=$!
expect "stubborn copy up" run_wine "$check" wait-window 20
status=0
run_raw "\"$program_dir\\uninstall.exe\" /S _?=$program_dir" || status=$?
expect "uninstaller refuses while a copy will not close (exit code $status)" test "$status" = 2
expect_installed "$program_dir"
wait "$stubborn" || true
settle

# A running brenvik.exe is asked to close and the uninstall completes.
"$wine" "$(unix_path "$program_dir")/brenvik.exe" < /dev/null > /dev/null 2>&1 &
window=$!
expect "brenvik.exe running" run_wine "$check" wait-window 60
uninstall "$program_dir"
expect "brenvik.exe closed by the uninstaller" bash -c "! kill -0 $window 2> /dev/null"
wait "$window" || true
expect_removed "$program_dir" "$data_root"
expect "uninstall kept the activity log" \
  cmp -s -n "$log_bytes" "$scratch/log-before" "$data_dir/Data/LogInformation.dat"

echo "== Round 2: blanks and non-ASCII letters in both folders"
run_wine reg delete "HKEY_LOCAL_MACHINE\\$product_key" /v FolderDataPath /f
program_dir='C:\Program Files\Tavéron Prüfung\Brenvik Ø'
data_root='C:\Brenvik Daten – Ærø\'
expect "silent install into \"$program_dir\"" install "/DATADIR=$data_root /D=$program_dir"
expect_installed "$program_dir"
expect "FolderDataPath names the chosen folder" \
  test "$(value_of "HKEY_LOCAL_MACHINE\\$product_key" FolderDataPath)" = "$data_root"
expect_service "$program_dir" "$data_root"
hold_service
check_installed "$program_dir" "$data_root"
settle
uninstall "$program_dir"
expect_removed "$program_dir" "$data_root"

echo "Installer: $(basename "$setup"), $(stat -c %s "$setup") bytes"
echo "Installer test: $((SECONDS - start_time)) s, $failures failure(s)"
"$wineserver" -k 2> /dev/null || true
trap - EXIT
rm -rf "$scratch"
[[ $failures -eq 0 ]] && rm -rf "$WINEPREFIX"
[[ $failures -eq 0 ]]
