#!/usr/bin/env bash
# The package variant: builds the Debian package (Release, build/package),
# checks it with lintian, then installs it into this machine's system and
# checks the installed program: versions, desktop entry, metainfo, man pages,
# the window shown under Xvfb, an upgrade from an older version and a second
# install that keep the user's data, and a removal and purge that leave no
# file of the package behind and the user's data alone. Needs root (apt-get).
# Exits non-zero on any failure.
#   scripts/test-variants/package.sh [jobs]
#   BRENVIK_SCREENSHOT=FILE   also grab the screen with the installed window
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

jobs="${1:-2}"
build=build/package
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"
step_started=$SECONDS
step() {
  echo "-- $1 ($(( SECONDS - step_started )) s so far)"
}
fail() {
  echo "package: $*" >&2
  exit 1
}

BRENVIK_WITH_WINDOWS=0 BRENVIK_WITH_SANITIZERS=0 scripts/install-deps.sh
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
apt_get() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=300 "$@"
}

# --- build and pack, with Debian's hardening flags ---
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBRENVIK_BUILD_TESTS=OFF \
  -DBRENVIK_WERROR=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" > /dev/null
cmake --build "$build" -j"$jobs"
rm -f "$build"/brenvik_*.deb
(cd "$build" && cpack -G DEB > /dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$(ls "$build"/brenvik_"$version"_*.deb)
step "built $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

lintian --fail-on error "$deb" || fail "lintian found errors"
step "lintian passed"

# --- the install ---
dpkg-query -W -f='${Status}' brenvik 2>/dev/null | grep -q "ok installed" &&
  fail "brenvik is installed already; remove it first"

# The programs and the package scripts see a home of their own, so that what
# they do to a user's files shows here and nowhere else.
home=$(mktemp -d /tmp/brenvik-package.XXXXXX)
# A failed check does not leave the package installed.
cleanup() {
  if dpkg-query -W -f='${Status}' brenvik 2>/dev/null | grep -q "ok installed"; then
    apt_get purge -y -qq brenvik > /dev/null || true
  fi
  rm -rf "$home"
}
trap cleanup EXIT
export HOME=$home
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_RUNTIME_DIR

# An older version of the same package (the control file's version lowered),
# to install first and upgrade from.
old=$home/brenvik_old.deb
dpkg-deb -R "$deb" "$home/old"
sed -i "s/^Version: .*/Version: 0.9/" "$home/old/DEBIAN/control"
dpkg-deb -b --root-owner-group "$home/old" "$old" > /dev/null
rm -rf "$home/old"
apt_get install -y -qq "$old" > /dev/null
[[ $(dpkg-query -W -f='${Version}' brenvik) == 0.9 ]] || fail "the older package did not install"

# The user's data and settings, as a run of the window leaves them.
/usr/bin/brenvik-service --install-user-key > /dev/null
user_files() {
  (cd "$home" && find .local/share/Taveron .config/Taveron -type f -print0 |
     sort -z | xargs -0 sha256sum)
}
mkdir -p "$home/.local/share/Taveron/Brenvik/Data" "$home/.config/Taveron/Brenvik"
echo "2013-04-29 08:00:00;0;PC1|ann;1;;60" > "$home/.local/share/Taveron/Brenvik/Data/LogInformation.dat"
before_upgrade=$(user_files)

apt_get install -y -qq "$root/$deb" > /dev/null
[[ $(dpkg-query -W -f='${Version}' brenvik) == "$version" ]] || fail "the upgrade did not install $version"
[[ $(user_files) == "$before_upgrade" ]] || fail "the upgrade changed the user's files"
step "upgraded from 0.9 to $version; the user's files are as they were"

# --- the installed program ---
[[ $(brenvik-cli --version) == "brenvik-cli $version" ]] || fail "brenvik-cli --version: $(brenvik-cli --version)"
[[ $(brenvik --version) == "brenvik $version" ]] || fail "brenvik --version: $(brenvik --version)"
desktop-file-validate /usr/share/applications/org.taveron.Brenvik.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.taveron.Brenvik.metainfo.xml
for page in brenvik brenvik-cli brenvik-service; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings "$page" 2>&1 > /dev/null)
  [[ -z $warnings ]] || fail "man $page: $warnings"
done
for size in 16 22 24 32 48 64 128 256; do
  [[ -f /usr/share/icons/hicolor/${size}x${size}/apps/org.taveron.Brenvik.png ]] ||
    fail "no ${size}x${size} icon"
done
grep -q "^ExecStart=/usr/bin/brenvik-service$" /usr/lib/systemd/user/brenvik-service.service ||
  fail "the user unit does not start the installed recorder"
step "versions, desktop entry, metainfo, man pages, icons and user unit checked"

# The window under Xvfb, with the installed recorder: it must show its main
# window; SIGTERM closes it as its close button does.
cat > "$home/window-check.sh" <<'CHECK'
set -euo pipefail
shot=$1
brenvik-service > "$HOME/service.log" 2>&1 &
service=$!
for _ in $(seq 50); do
  brenvik-service --status > /dev/null 2>&1 && break
  sleep 0.1
done
brenvik > "$HOME/window.log" 2>&1 &
window=$!
shown=0
for _ in $(seq 150); do
  # The main window, not a message box of the same title: 912 pixels wide.
  if xwininfo -root -tree | grep -E '"Brenvik": \("brenvik" "[^"]*"\) +912x' > /dev/null; then
    shown=1
    break
  fi
  kill -0 "$window" 2> /dev/null || break
  sleep 0.2
done
if [[ $shown == 1 && -n $shot ]]; then
  sleep 2
  import -window root "$shot"
fi
kill -TERM "$window" 2> /dev/null || true
status=0
wait "$window" || status=$?
kill -INT "$service"
wait "$service" || true
if [[ $shown != 1 || $status != 0 ]]; then
  echo "package: the installed window did not show and close (exit status $status):" >&2
  cat "$HOME/window.log" >&2
  exit 1
fi
CHECK
xvfb-run -a -s "-screen 0 1280x800x24" bash "$home/window-check.sh" "${BRENVIK_SCREENSHOT:-}"
step "the installed window started, showed and closed"

# A second install of the same version changes nothing.
package_files() {
  dpkg -L brenvik | while read -r f; do [[ -f $f ]] && echo "$f"; done | sort |
    xargs stat -c '%n %s %Y %a'
}
before_second=$(package_files; user_files)
apt_get install -y -qq "$root/$deb" > /dev/null
[[ $(package_files; user_files) == "$before_second" ]] || fail "a second install changed files"
step "a second install of $version changed nothing"

# --- remove and purge: no file of the package left, the user's data kept ---
dpkg -L brenvik | sort -r > "$home/package-paths"
user_before_removal=$(user_files)
apt_get remove -y -qq brenvik > /dev/null
# Without configuration files a removed package is forgotten at once; a purge
# is for one that is still known.
if dpkg-query -W brenvik > /dev/null 2>&1; then
  apt_get purge -y -qq brenvik > /dev/null
fi
dpkg-query -W -f='${Status}' brenvik 2>/dev/null | grep -q "ok installed" && fail "still installed"
while read -r path; do
  [[ -d $path ]] && continue  # a shared folder such as /usr/bin
  [[ -e $path || -L $path ]] && fail "left behind: $path"
done < "$home/package-paths"
for folder in /usr/share/doc/brenvik; do
  [[ -e $folder ]] && fail "left behind: $folder"
done
[[ $(user_files) == "$user_before_removal" ]] || fail "the removal touched the user's files"
step "removed and purged: nothing left behind, the user's files kept"
