# The check counter of the test scripts that run programs under Wine:
# "ok"/"FAIL" lines and the number of failures, for the script to exit on.
# Sourced, not run.
failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
expect() { # expect DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
