#!/usr/bin/env bash
# Builds Brenvik and runs every test. Exits non-zero on any failure.
#   scripts/test.sh           the full run (every build variant)
#   scripts/test.sh --quick   the native debug build and its tests only
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[[ "${1:-}" == "--quick" ]] && quick=1

scripts/install-deps.sh

export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"
jobs=2
started=$SECONDS
elapsed() { echo "-- $1 took $(( (SECONDS - $2) / 60 )) min $(( (SECONDS - $2) % 60 )) s"; }

# The formatting of the changed files takes seconds: it fails first. The
# lint variant below runs it again with clang-tidy and cppcheck.
echo "== format =="
scripts/lint.sh --format-only

echo "== native build (Linux, POSIX backend) =="
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"
elapsed "native build and tests" "$started"

if [[ $quick == 1 ]]; then
  echo "quick run passed"
  exit 0
fi

for variant in scripts/test-variants/*.sh; do
  [[ -e "$variant" ]] || continue
  echo "== $(basename "$variant" .sh) =="
  variant_started=$SECONDS
  bash "$variant" "$jobs"
  elapsed "$(basename "$variant" .sh)" "$variant_started"
done
elapsed "the full run" "$started"
echo "all tests passed"
