#!/usr/bin/env bash
# Installs the Debian packages that building and testing Brenvik needs, when
# any of them is missing. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(cmake g++ make ccache libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev xvfb xauth)
# The sanitizer variant and the fuzz targets: clang with its sanitizer and
# libFuzzer runtimes.
if [[ "${BRENVIK_WITH_SANITIZERS:-1}" == 1 ]]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [[ "${BRENVIK_WITH_WINDOWS:-1}" == 1 ]]; then
  # nsis: makensis for the Windows installer (its amd64-unicode stubs).
  packages+=(g++-mingw-w64-x86-64-posix wine64 nsis)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
