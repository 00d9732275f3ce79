#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs the whole suite, printing one table.
#   scripts/bench.sh [--sizes 10000,100000,1000000] [--tuptime 10000,...]
#                    [--baseline-rev REV] [--only suite,report,cli,window,start-up,tuptime]
#                    [--json FILE]
# --baseline-rev builds the same suite against the data store of an older
# revision (a temporary worktree) and prints its figures too.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"

args=()
baseline_rev=""
while [[ $# -gt 0 ]]; do
  case "$1" in
    --baseline-rev) baseline_rev="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done

build() {  # source folder, build folder, GUI ON/OFF, targets
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DBRENVIK_BUILD_BENCH=ON \
        -DBRENVIK_BUILD_GUI="$3" -DBRENVIK_WERROR=OFF > /dev/null
  cmake --build "$2" -j2 --target brenvik_suite_bench brenvik-datagen $4 > /dev/null
}

# tuptime, to time the uptime report against it, and GNU time.
BRENVIK_WITH_BENCH=1 BRENVIK_WITH_PACKAGE=0 BRENVIK_WITH_SANITIZERS=0 BRENVIK_WITH_WINDOWS=0 \
  scripts/install-deps.sh
build . build/bench ON "brenvik-cli brenvik_report_bench brenvik-service"
# The window's start-up figures, where Qt is there to build it.
if cmake --build build/bench --target help | grep -x '\.\.\. brenvik' > /dev/null; then
  cmake --build build/bench -j2 --target brenvik > /dev/null
fi
if [[ -n "$baseline_rev" ]]; then
  old=build/bench-baseline-src
  rm -rf "$old"; git worktree prune
  git worktree add --detach "$old" "$baseline_rev" > /dev/null
  # The same suite and generator, over the older store.
  cp bench/suite_bench.cpp "$old/bench/"
  mkdir -p "$old/tools/brenvik-datagen" && cp tools/brenvik-datagen/* "$old/tools/brenvik-datagen/"
  grep -q suite_bench "$old/bench/CMakeLists.txt" || sed -n '/^# The suite of scripts/,$p' bench/CMakeLists.txt >> "$old/bench/CMakeLists.txt"
  grep -q brenvik-datagen "$old/CMakeLists.txt" || sed -i 's|^if(BRENVIK_BUILD_BENCH)|add_subdirectory(tools/brenvik-datagen)\nif(BRENVIK_BUILD_BENCH)|' "$old/CMakeLists.txt"
  build "$old" build/bench-baseline OFF brenvik-cli
  args+=(--baseline build/bench-baseline)
fi
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(free -g | awk '/Mem:/{print $2}') GB, $(df -T . | awk 'NR==2{print $2}'), load $(cut -d' ' -f1-3 /proc/loadavg)"
python3 scripts/bench.py --build build/bench "${args[@]}"
if [[ -n "$baseline_rev" ]]; then git worktree remove --force build/bench-baseline-src; fi
