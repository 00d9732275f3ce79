#!/usr/bin/env bash
# The lint variant: the format, clang-tidy and cppcheck gates of
# scripts/lint.sh over the native build's compile database (configured here
# when the native build has not been). Exits non-zero on any finding.
#   scripts/test-variants/lint.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/lint.sh --jobs "${1:-2}"
