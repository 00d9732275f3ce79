#!/usr/bin/env bash
# The Windows service end to end under Wine, in a fresh prefix of its own:
#   scripts/windows-service-test.sh BUILD_DIR
# BUILD_DIR is a MinGW build with brenvik-service.exe, brenvik-cli.exe and
# the test program brenvik_test_sleeper.exe.
#
# The service is registered with --install and started through the service
# control manager; it writes into the tree that the local machine's
# FolderDataPath names. brenvik-cli.exe puts a test program on the watched
# list (command 3 makes the running service read it again), the program's
# runs give lines 3 and 4 with its process id, and the command line's
# hand-overs (command 2 over the real pipe) take every line exactly once
# while the service is killed and started again between them. A second
# server of the pipe is refused; a stop of the service writes no line; the
# service is removed with --uninstall.
# BRENVIK_SHOW=1 prints the log and the rows made of it.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:?usage: $0 BUILD_DIR}"
started=$SECONDS
service_exe="$build/tools/brenvik-service/brenvik-service.exe"
cli_exe="$build/src/cli/brenvik-cli.exe"
sleeper_exe="$build/tests/brenvik_test_sleeper.exe"
for f in "$service_exe" "$cli_exe" "$sleeper_exe"; do
  [[ -f $f ]] || { echo "No $f: build it first" >&2; exit 1; }
done

wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
export WINEPREFIX="$(realpath "$build")/service-test/wine-prefix"
export WINEDEBUG=-all WINEARCH=win64 LANG=C.UTF-8 LC_ALL=C.UTF-8
drive_c="$WINEPREFIX/drive_c"
data="$drive_c/BrenvikData/Data"
log="$data/LogInformation.dat"

scratch=$(mktemp -d)
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wine" wineboot -i > /dev/null 2>&1
"$wineserver" -w
# A Windows computer keeps its services running between the test's commands.
# Wine does not: a service is one of its "system" processes, and a few
# seconds after the last ordinary process ends, the Wine server ends them all
# without a word (the service dies between two commands, and is started
# afresh by the next command's services.exe). A server that persists keeps
# the session, and with it the running service, alive.
"$wineserver" -p
trap '"$wineserver" -k 2> /dev/null || true; rm -rf "$scratch"' EXIT

source scripts/lib/checks.sh
# A program's output through a file: Wine's helper processes would inherit a
# pipe and hold it open long after the program ended.
wine_out() {
  local status=0
  timeout 120 "$wine" "$@" < /dev/null > "$scratch/out" 2>&1 || status=$?
  tr -d '\r' < "$scratch/out"
  return $status
}
quiet() { wine_out "$@" > /dev/null; }
# The lines of the log whose event field is $1.
events() { tr -d '\r' < "$log" | awk -F';' -v e="$1" '$4 == e'; }
# Waits up to 10 s for the log to hold a line of event $1.
wait_for_event() {
  for _ in $(seq 50); do
    [[ -f $log ]] && [[ -n $(events "$1") ]] && return 0
    sleep 0.2
  done
  return 1
}
hand_over() { quiet 'C:\Brenvik\brenvik-cli.exe' uptime-report; }
kill_service() { quiet taskkill /F /IM brenvik-service.exe; }
# Runs the watched program for 1.5 s (the service scans each second) and
# waits up to 10 s for the service to see its end.
run_watched() {
  quiet 'C:\watched-test.exe' 1500 || true
  for _ in $(seq 50); do
    [[ $(events 4 | wc -l) -ge $(events 3 | wc -l) && -n $(events 3) ]] && return 0
    sleep 0.2
  done
}

mkdir -p "$drive_c/Brenvik"
cp "$service_exe" "$cli_exe" "$drive_c/Brenvik/"
# The watched program runs for the milliseconds it is given.
cp "$sleeper_exe" "$drive_c/watched-test.exe"
quiet reg add 'HKLM\Software\Taveron\Brenvik\1.0' /v FolderDataPath /d 'C:\BrenvikData\' /f
# The command line's own per-user key (an installer writes it).
quiet reg add 'HKCU\Software\Taveron\Brenvik\1.0' /f

expect "--install registers the service" quiet 'C:\Brenvik\brenvik-service.exe' --install
# Wine's sc has no qc: the registration is read from the registry.
wine_out reg query 'HKLM\System\CurrentControlSet\Services\BrenvikService' > "$scratch/qc" || true
expect "it starts automatically (Start 2) as LocalSystem" \
  bash -c "grep -Eq 'Start +REG_DWORD +0x2\$' '$scratch/qc' && grep -q 'ObjectName.*LocalSystem' '$scratch/qc'"
expect "net start starts it" quiet net start BrenvikService
expect "the start is recorded (event 1, seconds since boot)" wait_for_event 1
second=0
timeout 30 "$wine" 'C:\Brenvik\brenvik-service.exe' --console --root 'C:\other\' \
  < /dev/null > /dev/null 2>&1 || second=$?
expect "a second server of the pipe is refused (status $second)" test "$second" -eq 2

# Command 3: the running service takes the new list.
quiet 'C:\Brenvik\brenvik-cli.exe' watch add 'C:\watched-test.exe'
sleep 1
run_watched
starts=$(events 3 | wc -l)
ends=$(events 4 | wc -l)
expect "a watched program's run gives lines 3 and 4 ($starts, $ends)" test "$starts" -eq 1 -a "$ends" -eq 1
pid3=$(events 3 | cut -d';' -f6)
pid4=$(events 4 | cut -d';' -f6)
path3=$(events 3 | cut -d';' -f5)
expect "both with the program's process id ($pid3) and path ($path3)" \
  test -n "$pid3" -a "$pid3" = "$pid4" -a "$path3" = 'C:\watched-test.exe'

# Hand-overs across kills: each cycle records a program run, hands over,
# kills the service and starts it again.
hand_over
for cycle in 1 2 3; do
  run_watched
  kill_service
  quiet net start BrenvikService
  sleep 1
  hand_over
done
# The runs after the first hand-over, and a last hand-over of what is left.
run_watched
hand_over
wine_out 'C:\Brenvik\brenvik-cli.exe' history --source programs --csv 'C:\programs.csv' > /dev/null
runs_logged=$(events 3 | wc -l)
rows=$(tr -d '\r' < "$drive_c/programs.csv" | grep -c 'watched-test.exe' || true)
expect "every program run handed over exactly once ($runs_logged in the log, $rows rows)" \
  test "$runs_logged" -eq 5 -a "$rows" -eq 5
wine_out 'C:\Brenvik\brenvik-cli.exe' uptime-report > "$scratch/report"
expect "one start line across the restarts, one run of the computer" \
  bash -c "[[ \$(tr -d '\r' < '$log' | awk -F';' '\$4 == 1' | wc -l) == 1 ]] && grep -q 'Turned on 1 times' '$scratch/report'"
state_mark=$(sed -n 's/^handed-over=//p' "$data/BrenvikService.state")
expect "the hand-over mark is at the end of the log" test "$state_mark" -eq "$(stat -c %s "$log")"

expect "the service kept no warning" test ! -s "$data/BrenvikService.log"

lines_before=$(wc -l < "$log")
expect "net stop stops it" quiet net stop BrenvikService
expect "a stop of the service alone writes no line" test "$(wc -l < "$log")" -eq "$lines_before"
expect "--uninstall removes it" quiet 'C:\Brenvik\brenvik-service.exe' --uninstall
expect "the service control manager no longer knows it" bash -c "! timeout 30 '$wine' sc query BrenvikService < /dev/null > /dev/null 2>&1"

if [[ ${BRENVIK_SHOW:-0} == 1 || $failures -gt 0 ]]; then
  echo "--- LogInformation.dat"
  tr -d '\r' < "$log"
  echo "--- the program rows brenvik-cli.exe made of it"
  tr -d '\r' < "$drive_c/programs.csv"
  echo "--- uptime report"
  cat "$scratch/report"
  echo "--- the service's warnings"
  tr -d '\r' < "$data/BrenvikService.log" 2> /dev/null || true
fi
echo "-- the service test took $((SECONDS - started)) s"
if [[ $failures -gt 0 ]]; then
  echo "$failures check(s) failed; the prefix is kept in $WINEPREFIX"
  trap '"$wineserver" -k 2> /dev/null || true; rm -rf "$scratch"' EXIT
  exit 1
fi
"$wineserver" -k 2> /dev/null || true
rm -rf "$WINEPREFIX"
