#!/usr/bin/env bash
# Runs Brenvik on this machine: installs what is missing, makes an optimised
# build (Release, in build/release, apart from the tests' debug build),
# creates the per-user product key as an installer would, starts the service
# stand-in for the default data tree unless one already serves it, and starts
# the front end that is built.
#   BRENVIK_NO_UNIT=1   start the stand-in in the background even where a
#                       systemd user manager runs (default: install and
#                       enable its user unit there)
set -euo pipefail
cd "$(dirname "$0")/.."

BRENVIK_WITH_WINDOWS=0 scripts/install-deps.sh

export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"
build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBRENVIK_BUILD_TESTS=OFF > /dev/null
known=$(cmake --build "$build" --target help)
targets=(brenvik-service)
for t in brenvik-cli brenvik; do
  grep -qx "\.\.\. $t" <<< "$known" && targets+=("$t")
done
cmake --build "$build" -j2 --target "${targets[@]}"

program() { find "$build" -type f -name "$1" -perm -u+x -print -quit; }
service=$(program brenvik-service)
"$service" --install-user-key
data=$("$service" --print-data-folder)

start_service() {
  if [[ "${BRENVIK_NO_UNIT:-0}" != 1 ]] && systemctl --user show-environment > /dev/null 2>&1; then
    install -Dm755 "$service" "$HOME/.local/bin/brenvik-service"
    install -Dm644 tools/brenvik-service/brenvik-service.service \
      "${XDG_CONFIG_HOME:-$HOME/.config}/systemd/user/brenvik-service.service"
    systemctl --user daemon-reload
    systemctl --user enable --now brenvik-service.service
    echo "Started the user unit brenvik-service (it starts again at each login)."
  else
    local log="${XDG_STATE_HOME:-$HOME/.local/state}/brenvik/service.log"
    mkdir -p "$(dirname "$log")"
    setsid "$service" >> "$log" 2>&1 < /dev/null &
    echo "Started brenvik-service in the background (messages in $log)."
  fi
  for _ in $(seq 50); do
    "$service" --status > /dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "brenvik-service did not come up; see its messages." >&2
  return 1
}

"$service" --status > /dev/null 2>&1 || start_service
"$service" --status

window=$(program brenvik)
cli=$(program brenvik-cli)
if [[ -n "$window" ]]; then
  exec "$window"
elif [[ -n "$cli" ]]; then
  exec "$cli" uptime-report
else
  echo
  echo "The window and brenvik-cli are not built yet, so there is nothing to show the"
  echo "figures with; the service stand-in records this computer's activity meanwhile."
  echo "Recorded so far (${data}LogInformation.dat, times in UTC):"
  tail -n 20 "${data}LogInformation.dat"
fi
