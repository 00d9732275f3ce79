#!/usr/bin/env bash
# Installs the Debian packages that building and testing Brenvik needs, when
# any of them is missing. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(cmake g++ make ccache libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev xvfb xauth locales zlib1g-dev dbus-daemon dbus-bin libsystemd0)
# The Linux package: the icon's PNG sizes and the man pages are made at build
# time; the package variant checks the package and its installed files, and
# looks for the installed window on the Xvfb screen.
if [[ "${BRENVIK_WITH_PACKAGE:-1}" == 1 ]]; then
  packages+=(librsvg2-bin scdoc dpkg-dev lintian desktop-file-utils appstream man-db
             x11-utils qt6-qpa-plugins)
fi
# Machine-readable output: the JSON library of brenvik-cli, and the real
# validators its tests check the JSON and the metrics with.
packages+=(nlohmann-json3-dev python3-jsonschema prometheus)
# The quiet-run test counts the file-system calls of a report with strace.
packages+=(strace)
# The lint gates (scripts/lint.sh): formatting, clang-tidy, cppcheck.
packages+=(clang-format clang-tidy cppcheck python3)
# The sanitizer variant and the fuzz targets: clang with its sanitizer and
# libFuzzer runtimes.
if [[ "${BRENVIK_WITH_SANITIZERS:-1}" == 1 ]]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [[ "${BRENVIK_WITH_WINDOWS:-1}" == 1 ]]; then
  # Qt's host tools (moc, rcc, uic) build the window against Qt for MinGW;
  # xz unpacks that Qt's archive; nsis (makensis, with its amd64-unicode
  # stubs) builds the Windows installer.
  packages+=(g++-mingw-w64-x86-64-posix wine64 qt6-base-dev-tools xz-utils nsis)
fi

# The benchmarks (scripts/bench.sh): tuptime, which the uptime report is timed
# against over the same boots, GNU time for the peak memory of a run, and
# strace for what a run writes.
if [[ "${BRENVIK_WITH_BENCH:-0}" == 1 ]]; then
  packages+=(tuptime time strace)
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
