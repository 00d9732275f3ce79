#!/usr/bin/env bash
# A data tree on a read-only file system (a tmpfs remounted read-only; needs
# root, skipped with status 77 otherwise): a report that has nothing new to
# take in works and writes nothing; one that has lines to take in fails with
# a message naming the file it could not write, and no file changes.
#   read_only_tree_test.sh BRENVIK-CLI BRENVIK-DATAGEN
set -euo pipefail

cli=$1
datagen=$2
work=$(mktemp -d)
mounted=
cleanup() {
  [[ -n $mounted ]] && umount "$work/fs"
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

mkdir -p "$work/fs"
mount -t tmpfs -o size=64m tmpfs "$work/fs" 2> /dev/null || {
  echo "SKIP: cannot mount a tmpfs here"
  exit 77
}
mounted=1
tree=$work/fs/tree
mkdir -p "$tree/Settings"
"$datagen" --root "$tree" --boots 50 --seed 3 > /dev/null
report() { "$cli" --root "$tree" --now "2030-01-01 12:00:00" --uptime 3600 uptime-report; }
report > "$work/writable.out"
sums() { (cd "$tree" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }

mount -o remount,ro "$work/fs"
sums > "$work/before"
report > "$work/readonly.out" 2>&1 || fail "a look at a read-only tree failed: $(cat "$work/readonly.out")"
cmp -s "$work/writable.out" "$work/readonly.out" || fail "the report differs on a read-only tree"

# Lines left over by a pass that was cut off must be taken in: they cannot.
mount -o remount,rw "$work/fs"
printf '\xef\xbb\xbf2029-12-31 10:00:00;3600;PC1|ann;8;;\r\n' > "$tree/Data/CopyForMonitor2.dat"
sums > "$work/before"
mount -o remount,ro "$work/fs"
status=0
report > "$work/failed.out" 2>&1 || status=$?
[[ $status != 0 ]] || fail "taking lines in on a read-only tree reported success"
grep -q "^brenvik-cli: Cannot .*\"$tree/Data/" "$work/failed.out" ||
  fail "no message naming the file: $(cat "$work/failed.out")"
sums | diff "$work/before" - || fail "files changed on a read-only tree"
echo "PASS: $(cat "$work/failed.out")"
