#!/usr/bin/env bash
# The sanitizer variant: builds every test program (the window's included)
# and the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build/sanitizers, runs ctest there, then
# runs each fuzz target for a few seconds. Any sanitizer report ends the
# program that made it, so it fails its test. Exits non-zero on any failure.
#   scripts/test-variants/sanitizers.sh [jobs] [fuzz-seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/../.."

jobs="${1:-2}"
fuzz_seconds="${2:-3}"
build=build/sanitizers
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"

# The test code is built at -O0: it compiles in less than half the time of
# -O1 and runs for seconds. The core and the fuzz targets, where the time
# is spent, are built at -O1 (fuzz/CMakeLists.txt). Line tables only (-g1)
# are enough for the sanitizers' stack traces.
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE= \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-O0 -g1 $sanitize" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=TRUE \
  -DBRENVIK_BUILD_FUZZ=ON > /dev/null
cmake --build "$build" -j"$jobs"

# Leak checking is on for every program, the window's tests included (Qt on
# the offscreen platform reports no leak of its own). The one leak let pass is
# glibc's, met only by tests that load locales from LOCPATH
# (tests/lsan-suppressions.txt says which and why).
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j"$jobs"

scripts/fuzz.sh "$fuzz_seconds" "$build"
