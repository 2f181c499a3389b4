#!/usr/bin/env bash
# Runs one command on an X server of its own, with openbox managing its windows, so that a test
# sees what a user's screen shows: on_display.sh COMMAND [ARGS...]
# Each run takes a free display number, so several can run at once; the server, the window
# manager and their files go away however the command ends.
set -euo pipefail

for tool in Xvfb openbox; do
  if ! command -v "$tool" >/dev/null; then
    echo "on_display: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

work="$(mktemp -d)"
server=""
manager=""
cleanup() {
  if [ -n "$manager" ]; then kill "$manager" 2>/dev/null || true; wait "$manager" 2>/dev/null || true; fi
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits up to 20 seconds for a file to be written; fails with the message otherwise.
wait_for() {
  local file="$1" what="$2"
  for _ in $(seq 200); do
    if [ -s "$file" ]; then return 0; fi
    sleep 0.1
  done
  echo "on_display: $what did not start" >&2
  exit 1
}

# The server writes the display number it took once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp -noreset 3>"$work/display" \
  2>"$work/xvfb.log" &
server=$!
wait_for "$work/display" "Xvfb"
export DISPLAY=":$(head -n1 "$work/display")"

# Openbox runs its start-up command once it manages the screen; its files stay in the work folder.
XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data" \
  openbox --sm-disable --startup "sh -c 'echo up > $work/wm'" >"$work/openbox.log" 2>&1 &
manager=$!
wait_for "$work/wm" "openbox"

export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit "$status"
