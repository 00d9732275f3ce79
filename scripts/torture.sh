#!/usr/bin/env bash
# The long form of the crash torture: brenvik-cli killed with SIGKILL at
# random moments while the service stand-in replays a long activity log.
#   scripts/torture.sh [minutes] [seed]      (default 30 minutes, a new seed)
# Builds what it needs into build/native, prints the seed first and the
# figures at the end; exits non-zero when a line was lost or doubled.
# BRENVIK_TORTURE_BIN=DIR runs the programs found in DIR instead of building.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes="${1:-30}"
seed="${2:-$(date +%s)}"
bin="${BRENVIK_TORTURE_BIN:-}"
if [[ -z "$bin" ]]; then
  export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug > /dev/null
  cmake --build build/native -j2 --target brenvik-torture
  cli=build/native/src/cli/brenvik-cli
  service=build/native/tools/brenvik-service/brenvik-service
  torture=build/native/tools/brenvik-torture/brenvik-torture
else
  cli="$bin/brenvik-cli"
  service="$bin/brenvik-service"
  torture="$bin/brenvik-torture"
fi
work="$(mktemp -d "${TMPDIR:-/tmp}/brenvik-torture.XXXXXX")"
# A log long enough for the time given (about 300 lines are fed a minute).
sessions=$(( minutes * 8 + 40 ))
status=0
"$torture" --cli "$cli" --service "$service" --work "$work" --seed "$seed" \
  --seconds $(( minutes * 60 )) --sessions "$sessions" --lines-per-session 60 || status=$?
if [[ $status == 0 ]]; then
  rm -rf "$work"
else
  echo "the trees are kept in $work"
fi
exit $status
