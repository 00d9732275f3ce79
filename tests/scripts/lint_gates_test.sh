#!/usr/bin/env bash
# The lint gates (scripts/lint.sh) over a small project of their own: a clean
# tree passes; a formatting difference, a clang-tidy finding and a cppcheck
# finding each fail it with file:line and the check's name; only the files
# changed against main are format-checked on a branch; a pass that tidy
# remembers is not reused once a header the file includes has changed.
#   lint_gates_test.sh PATH/TO/PROJECT
set -euo pipefail

project=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

p=$work/project
mkdir -p "$p/scripts/lint" "$p/src/base" "$p/build"
cp "$project/.clang-format" "$project/.clang-tidy" "$p/"
cp "$project/scripts/lint.sh" "$p/scripts/"
cp "$project/scripts/lint/tidy.py" "$project/scripts/lint/cppcheck-suppressions.txt" \
   "$p/scripts/lint/"

cat > "$p/src/base/names.h" << 'CODE'
#pragma once
#include <string>

inline std::string Greeting() { return "Hello"; }
CODE
cat > "$p/src/base/names.cpp" << 'CODE'
#include "base/names.h"

#include <string>
#include <utility>

std::string TakeName(std::string name) {
  std::string taken = std::move(name);
  return taken + Greeting();
}
CODE
cat > "$p/build/compile_commands.json" << JSON
[{"directory": "$p/build", "file": "$p/src/base/names.cpp",
  "command": "c++ -I$p/src -std=c++20 -c $p/src/base/names.cpp -o names.o"}]
JSON

git -C "$p" init -q -b main
git -C "$p" -c user.name=t -c user.email=t@t add -A
git -C "$p" -c user.name=t -c user.email=t@t commit -qm base
lint() { (cd "$p" && scripts/lint.sh --build build "$@" 2>&1); }
fails() { local out; if out=$(lint "$@"); then fail "passed: $out"; fi; echo "$out"; }

# The clean tree passes every gate.
out=$(lint) || fail "the clean tree failed: $out"
[[ $out == *"tidy: 1 files, 0 unchanged"* ]] || fail "tidy did not check the file: $out"
# Checked once, the unchanged file is not checked again.
out=$(lint) || fail "the second run failed: $out"
[[ $out == *"1 unchanged since they passed"* ]] || fail "no pass remembered: $out"

# A formatting difference.
cp "$p/src/base/names.cpp" "$work/names.cpp"
sed -i 's/  std::string taken/    std::string   taken/' "$p/src/base/names.cpp"
out=$(fails --format-only)
[[ $out == *"src/base/names.cpp:7:"*"clang-format-violations"* ]] || fail "format: $out"
cp "$work/names.cpp" "$p/src/base/names.cpp"

# On a branch only the files changed against main are format-checked: an
# old difference elsewhere passes, one in a changed file fails.
printf 'int  Old( ) ;\n' > "$p/src/base/old.h"
git -C "$p" add src/base/old.h
git -C "$p" -c user.name=t -c user.email=t@t commit -qm old
git -C "$p" checkout -q -b topic
printf 'int Other();\n' > "$p/src/base/other.h"
git -C "$p" add src/base/other.h
git -C "$p" -c user.name=t -c user.email=t@t commit -qm other
out=$(lint --format-only) || fail "an unchanged file was checked: $out"
[[ $out == *"format: 1 files"* ]] || fail "not only the new file: $out"
printf 'int  Old( ) ;\nint New();\n' > "$p/src/base/old.h"
out=$(fails --format-only)
[[ $out == *"src/base/old.h:1:"* ]] || fail "a changed file was not checked: $out"
git -C "$p" checkout -q src/base/old.h

# A clang-tidy finding in a header: the remembered pass of names.cpp is not
# reused, and the finding names the header's line and the check.
cat >> "$p/src/base/names.h" << 'CODE'

inline std::size_t MovedLength(std::string text) {
  std::string other = std::move(text);
  return text.size() + other.size();
}
CODE
out=$(fails)
[[ $out == *"src/base/names.h:8:"*"[bugprone-use-after-move"* ]] || fail "tidy: $out"
git -C "$p" checkout -q src/base/names.h

# A cppcheck finding.
cat > "$p/src/base/table_sum.cpp" << 'CODE'
int TableSum() {
  int values[4] = {1, 2, 3, 4};
  int sum = 0;
  for (int i = 0; i <= 4; ++i) sum += values[i];
  return sum;
}
CODE
out=$(fails)
[[ $out == *"src/base/table_sum.cpp:4:"*"[arrayIndexOutOfBounds]"* ]] || fail "cppcheck: $out"
echo "lint gates: all checks passed"
