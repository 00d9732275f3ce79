#!/usr/bin/env bash
# Runs every fuzz target for a while, each from its committed seeds plus the
# inputs earlier runs found (kept in the build folder). Exits non-zero when a
# target crashes; the input that did it is left in <build>/fuzz-artifacts/.
#   scripts/fuzz.sh [seconds-per-target] [build-folder] [target...]
# Without a build folder the targets are built into build/fuzz first (clang,
# BRENVIK_BUILD_FUZZ=ON). The test command runs a few seconds per target;
# the long form is hours per target, e.g. scripts/fuzz.sh 3600.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build="${2:-}"
shift $(( $# < 2 ? $# : 2 ))
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"

if [[ -z $build ]]; then
  build=build/fuzz
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE= -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-O1 -g1" -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=TRUE \
    -DBRENVIK_BUILD_GUI=OFF -DBRENVIK_BUILD_FUZZ=ON > /dev/null
  targets=$(cd fuzz && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//')
  cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' $targets)
fi

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  mapfile -t targets < <(cd fuzz && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//')
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=()
for target in "${targets[@]}"; do
  program="$build/fuzz/fuzz_$target"
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  start=$(date +%s)
  if "$program" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$artifacts" "$corpus" "fuzz/seeds/$target" > "$build/fuzz-$target.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz-$target.log")
    echo "fuzz $target: ${runs:-?} runs in $(( $(date +%s) - start )) s, no crash"
  else
    echo "fuzz $target: CRASH (log $build/fuzz-$target.log, input in $artifacts)"
    tail -n 40 "$build/fuzz-$target.log"
    failed+=("$target")
  fi
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz targets that crashed: ${failed[*]}"
  exit 1
fi
