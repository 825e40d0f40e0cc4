#!/usr/bin/env bash
# Runs a test program on a virtual X server of its own, 1920 x 1080 as an operator's screen,
# either with Debian's openbox managing the windows ("openbox") or with no window manager at all
# ("bare"), as the other window tests run. Usage: desktop.sh openbox|bare <program> [arguments...]
#
# The program sees the desktop through DISPLAY, and VIXO_WINDOW_MANAGER tells it which desktop
# it runs on. The window manager counts as ready once it announces itself on the root window
# (_NET_SUPPORTING_WM_CHECK naming a window that exists); the server and the window manager stop
# when the program ends.
set -uo pipefail

desktop="${1:-}"
shift || true
if [ "$desktop" != openbox ] && [ "$desktop" != bare ] || [ $# -eq 0 ]; then
  echo "usage: $0 openbox|bare <program> [arguments...]" >&2
  exit 2
fi

work="$(mktemp -d)"
cleanup() {
  if [ -n "${manager:-}" ]; then kill "$manager" 2>/dev/null; wait "$manager" 2>/dev/null; fi
  if [ -n "${server:-}" ]; then kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The server writes its display number to a pipe once it accepts clients.
exec {numbers}<> <(:)
Xvfb -displayfd "$numbers" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
server=$!
number=""
read -r -t 20 number <&"$numbers"
if [ -z "$number" ]; then
  echo "The virtual X server did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$number"
export VIXO_WINDOW_MANAGER="$desktop"

if [ "$desktop" = openbox ]; then
  # The configuration Debian ships, whatever the user's own holds; no session manager.
  HOME="$work" openbox --sm-disable --config-file /etc/xdg/openbox/rc.xml \
    >"$work/openbox.log" 2>&1 &
  manager=$!
  ready=""
  for _ in $(seq 200); do
    check="$(xprop -root -notype _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*')"
    if [ -n "$check" ] && xprop -id "$check" -notype _NET_WM_NAME >/dev/null 2>&1; then
      ready=yes
      break
    fi
    if ! kill -0 "$manager" 2>/dev/null; then break; fi
    sleep 0.05
  done
  if [ -z "$ready" ]; then
    echo "openbox did not start managing the windows:" >&2
    cat "$work/openbox.log" >&2
    exit 1
  fi
fi

"$@"
