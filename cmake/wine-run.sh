#!/bin/sh
# Runs one Windows program under Wine for CTest: wine-run.sh WINE PROGRAM ARGS.
# Wine's own helper processes (its server, services, the desktop), started by
# whichever program first needs them, would inherit CTest's output pipes and
# keep that finished test waiting for them; the program's output therefore
# goes through a file.
wine=$1
shift
out=$(mktemp) || exit 1
"$wine" "$@" < /dev/null > "$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
