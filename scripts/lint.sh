#!/usr/bin/env bash
# The gates that keep the code clean, fastest first; the first one that fails
# ends the run with status 1 and the findings as file:line: text [check].
#   format    clang-format --dry-run on the C++ files changed against main
#             (committed since the branch left it, uncommitted or new); on
#             main itself, or with --all, on every tracked C++ file
#   tidy      clang-tidy (.clang-tidy) on the core, the POSIX backend, the
#             command line and the tools, from the compile database of the
#             native build; files that passed unchanged are not checked again
#   cppcheck  on the core and both backends, its build folder kept
#   scripts/lint.sh [--format-only] [--all] [--jobs N] [--build DIR]
# The caches live in .cache/lint/ (BRENVIK_LINT_CACHE to move them).
set -euo pipefail
cd "$(dirname "$0")/.."

format_only=0
all=0
jobs=2
build=build/native
while [[ $# -gt 0 ]]; do
  case "$1" in
    --format-only) format_only=1 ;;
    --all) all=1 ;;
    --jobs) jobs="$2"; shift ;;
    --build) build="$2"; shift ;;
    *) echo "lint.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
cache="${BRENVIK_LINT_CACHE:-$PWD/.cache/lint}"

# The folders each gate covers. The window is Qt code, checked by the
# compiler's warnings; the Win32 backend is not in the native compile
# database, so only cppcheck reads it.
core=(src/base src/records src/datastore src/statistics src/reports src/programs src/settings)
tidy_folders=("${core[@]}" src/platform src/cli tools)
cppcheck_folders=("${core[@]}" src/platform)

timed() {
  local name=$1 started=$SECONDS
  shift
  if "$@"; then
    echo "-- lint: $name passed in $((SECONDS - started)) s"
  else
    echo "-- lint: $name FAILED (after $((SECONDS - started)) s)" >&2
    exit 1
  fi
}

is_cxx() { [[ $1 =~ \.(cpp|h|cc|hpp)$ ]]; }

# The merge-base with main; nothing where there is no main, or where HEAD is
# main's own commit (main itself, a CI checkout of it, a branch just made).
base_commit() {
  local ref main
  for ref in main origin/main; do
    main=$(git rev-parse -q --verify "$ref^{commit}") || continue
    [[ $main == "$(git rev-parse HEAD)" ]] || git merge-base HEAD "$main" || true
    return 0
  done
}

format_files() {
  local base=""
  [[ $all == 1 ]] || base=$(base_commit)
  if [[ -z $base ]]; then
    git ls-files
  else
    # Against the base: committed and uncommitted changes; then new files.
    git diff --name-only --diff-filter=d "$base"
    git ls-files --others --exclude-standard
  fi | sort -u | while read -r f; do
    is_cxx "$f" && [[ -f $f ]] && echo "$f"
  done
}

check_format() {
  local files
  mapfile -t files < <(format_files)
  echo "format: ${#files[@]} files"
  [[ ${#files[@]} -eq 0 ]] && return 0
  printf '%s\0' "${files[@]}" | xargs -0 -n 64 clang-format --dry-run --Werror
}

check_tidy() {
  if [[ ! -f $build/compile_commands.json ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug > /dev/null
  fi
  python3 scripts/lint/tidy.py --build "$build" --cache "$cache/tidy" --jobs "$jobs" \
    "${tidy_folders[@]}"
}

check_cppcheck() {
  local folders=() f
  for f in "${cppcheck_folders[@]}"; do [[ -d $f ]] && folders+=("$f"); done
  mkdir -p "$cache/cppcheck"
  cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr \
    --suppressions-list=scripts/lint/cppcheck-suppressions.txt \
    --cppcheck-build-dir="$cache/cppcheck" -j"$jobs" --std=c++20 --language=c++ -I src \
    --quiet --template='{file}:{line}:{column}: {severity}: {message} [{id}]' "${folders[@]}"
}

timed format check_format
[[ $format_only == 1 ]] && exit 0
timed tidy check_tidy
timed cppcheck check_cppcheck
