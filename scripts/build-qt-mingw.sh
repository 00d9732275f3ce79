#!/usr/bin/env bash
# Builds Qt 6.4.2 (qtbase: Core, Gui, Widgets, Network, Test, the windows and
# offscreen platform plugins; shared, Release) for x86_64-w64-mingw32 from
# Debian 12's own qt6-base source package, for the Windows build of the
# window when no prepared archive is at hand (scripts/qt-mingw.sh calls it).
# About an hour on two cores. The result is installed into PREFIX (by
# default ~/.cache/brenvik/qt6-mingw-6.4.2, outside every build folder);
# the sources and the build stay in PREFIX.work until it succeeds.
#   scripts/build-qt-mingw.sh [PREFIX]
set -euo pipefail
cd "$(dirname "$0")/.."

version=6.4.2
debian_version=6.4.2+dfsg-10
prefix="${1:-$HOME/.cache/brenvik/qt6-mingw-$version}"
work="$prefix.work"
repo="$PWD"
orig=qt6-base_6.4.2+dfsg.orig.tar.xz
orig_sha=4f14b89a9463a540fd84a6718b8519a2297119b454ef547721015a9e9019ae9e
debian=qt6-base_${debian_version}.debian.tar.xz
debian_sha=d1a2621b1acb1606db7274ccdb96654564cea04af836c5b86da94e150714d16c

if [[ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]]; then
  echo "Qt $version for MinGW is built already in $prefix"
  exit 0
fi
echo "Building Qt $version for MinGW-w64 from Debian's qt6-base source into $prefix."
echo "This takes about an hour on two cores."

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
# The same host tools (moc, rcc, uic) as the target, the cross compiler and
# the build tools.
missing=()
for p in qt6-base-dev-tools g++-mingw-w64-x86-64-posix cmake ninja-build xz-utils patch; do
  dpkg-query -W -f='${Status}' "$p" 2> /dev/null | grep -q "install ok installed" ||
    missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

mkdir -p "$work"
cd "$work"

# 1. The sources: Debian 12's package, through a deb-src line of its own.
if [[ ! -f "$orig" || ! -f "$debian" ]]; then
  list=/etc/apt/sources.list.d/brenvik-bookworm-src.list
  if ! grep -rqs "^deb-src .* bookworm main" /etc/apt/sources.list /etc/apt/sources.list.d/ &&
     ! grep -rqs "^Types:.*deb-src" /etc/apt/sources.list.d/; then
    echo "deb-src http://deb.debian.org/debian bookworm main" | "${sudo_cmd[@]}" tee "$list" > /dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  apt-get source --download-only "qt6-base=$debian_version"
fi
echo "$orig_sha  $orig" | sha256sum -c --quiet
echo "$debian_sha  $debian" | sha256sum -c --quiet

# 2. Unpacked with every Debian patch applied in order, and one fix of our
# own: without direct2d QtGui leaves its DirectWrite font database out, but
# the windows platform plugin still refers to it under directwrite3 alone.
src="$work/qtbase"
if [[ ! -f "$src/.brenvik-prepared" ]]; then
  rm -rf "$src"
  mkdir -p "$src"
  tar -xJf "$orig" -C "$src" --strip-components=1
  tar -xJf "$debian" -C "$src"
  while read -r patch _; do
    [[ -z "$patch" || "$patch" == \#* ]] && continue
    patch -d "$src" -p1 --quiet < "$src/debian/patches/$patch"
  done < "$src/debian/patches/series"
  integration="$src/src/plugins/platforms/windows/qwindowsintegration.cpp"
  count=$(grep -c 'QT_CONFIG(directwrite3)' "$integration" || true)
  if [[ "$count" != 2 ]]; then
    echo "Expected 2 uses of QT_CONFIG(directwrite3) in $integration, found $count: the fix does not apply" >&2
    exit 1
  fi
  sed -i 's/QT_CONFIG(directwrite3)/QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' "$integration"
  touch "$src/.brenvik-prepared"
fi

# 3. The toolchain: the project's MinGW settings, without the static runtime.
sed '/CMAKE_EXE_LINKER_FLAGS_INIT/d; /BRENVIK_WINE/d; /CMAKE_CROSSCOMPILING_EMULATOR/d; /^endif()/d' \
  "$repo/cmake/mingw-w64.cmake" > "$work/mingw-qt.cmake"

# 4. Configure and build.
system_libs=()
for lib in zlib png freetype harfbuzz pcre2 doubleconversion libb2; do
  system_libs+=("-DFEATURE_system_$lib=OFF")
done
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$work/mingw-qt.cmake" -DCMAKE_INSTALL_PREFIX="$prefix.partial" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF \
  -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF -DFEATURE_pkg_config=OFF -DFEATURE_sql=OFF \
  -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF \
  -DFEATURE_tabletevent=OFF -DFEATURE_androiddeployqt=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF \
  -DFEATURE_openssl=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF "${system_libs[@]}"
cmake --build "$work/build" -j"${BRENVIK_JOBS:-2}"

# 5. Installed beside the final folder and renamed into place, so that an
# interrupted install never passes for a finished one.
rm -rf "$prefix.partial"
cmake --install "$work/build"
mv "$prefix.partial" "$prefix"
rm -rf "$work"
echo "Qt $version for MinGW is in $prefix"
