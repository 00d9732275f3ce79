#!/usr/bin/env bash
# A run of brenvik-cli that takes in no new activity-log line writes nothing
# to the data tree: no flush, rename, link or write of any file there, no file
# opened for writing; the only change it may make is to delete the empty
# hand-over file the service wrote for it. Checked with strace on a prepared
# tree served by the service stand-in, after a first run that took lines in
# (and so committed and made the backups); the tree's files are compared
# byte for byte around the quiet run too. Prints the counts it found.
#   quiet_run_test.sh BRENVIK-CLI BRENVIK-SERVICE BRENVIK-DATAGEN
set -euo pipefail

cli=$1
service=$2
datagen=$3
work=$(mktemp -d)
service_pid=
cleanup() {
  [[ -n $service_pid ]] && kill "$service_pid" 2> /dev/null && wait "$service_pid" 2> /dev/null
  [[ -n ${KEEP:-} ]] || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

tree=$work/tree
mkdir -p "$tree/Settings"
"$datagen" --root "$tree" --boots 200 --programs-per-boot 4 --seed 7 > /dev/null
"$datagen" --log "$work/replay.log" --sessions 3 --lines-per-session 20 --seed 7 > /dev/null
"$service" --root "$tree" --replay "$work/replay.log" > "$work/service.out" 2>&1 &
service_pid=$!
socket="$tree/Data/pipe server KRTV8810452MPLQWZXHBEN39017TAUYD"
for _ in $(seq 500); do
  [[ -S $socket ]] && break
  sleep 0.01
done
[[ -S $socket ]] || fail "the service did not start"

report() { "$cli" --root "$tree" --now "2030-01-01 12:00:00" --uptime 3600 uptime-report; }

# The first run takes the replayed lines in.
report > "$work/first.out"
grep -q "^brenvik-cli:" "$work/first.out" && fail "first run: $(cat "$work/first.out")"
[[ -e $tree/Data/Backup/History.cds ]] || fail "the first run made no backups"

# The data files (not the service's lock, state and socket).
snapshot() {
  (cd "$tree/Data" && find . -type f ! -name 'Brenvik*' -print0 | sort -z | xargs -0 sha256sum)
}
snapshot > "$work/before.sums"

# The leak checker of a sanitizer build cannot run under ptrace; leaks are
# the other tests' business.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
strace -f -y -qq -o "$work/trace" \
  -e trace=%file,fsync,fdatasync,rename,renameat,renameat2,link,linkat,write \
  "$cli" --root "$tree" --now "2030-01-01 12:00:00" --uptime 3600 uptime-report \
  > "$work/quiet.out"
report > "$work/after.out"
cmp -s "$work/quiet.out" "$work/after.out" || fail "the quiet run reported otherwise"

# Calls that succeeded, one per line, without strace's process ids (an
# empty selection is not a failure here).
set +o pipefail
grep -v ' = -1 ' "$work/trace" | sed 's/^[0-9]* *//' > "$work/calls"
in_tree() { grep -F "$tree/"; }
calls() { grep -E "^($1)\\(" "$work/calls" | in_tree; }
total=$(wc -l < "$work/trace")
flushes=$(calls 'fsync|fdatasync' | wc -l)
renames=$(calls 'rename|renameat|renameat2|link|linkat|symlink' | wc -l)
writes=$(calls 'write' | wc -l)
# The instance lock is opened (and never written) by every run.
opened=$(calls 'open|openat' | grep -E 'O_(WRONLY|RDWR|CREAT|TRUNC)' |
  grep -vF "Data/Brenvik.lock\"" | wc -l)
made=$(calls 'mkdir|mkdirat|chmod|fchmodat|truncate' | wc -l)
deleted=$(calls 'unlink|unlinkat|rmdir' | grep -vF "Data/CopyForMonitor.dat\"" | wc -l)
echo "quiet run: $total calls traced; in the data tree: $flushes flushes," \
  "$renames renames and links, $writes writes, $opened opened for writing," \
  "$made folders or modes made, $deleted other deletions"
[[ $flushes == 0 && $renames == 0 && $writes == 0 && $opened == 0 && $made == 0 &&
  $deleted == 0 ]] || fail "the quiet run wrote: $(calls 'fsync|fdatasync|rename|link|write|mkdir|unlink')"
snapshot > "$work/after.sums"  # a run after it changes nothing either
diff "$work/before.sums" "$work/after.sums" > "$work/changed" ||
  fail "the quiet run changed the data files: $(cat "$work/changed")"

echo "PASS"
