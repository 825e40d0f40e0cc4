#!/usr/bin/env bash
# Runs a test program on an X server of its own with two displays side by side: 800x600 at
# (0, 0), the primary one, and 640x480 at (800, 0). The server is Xorg with its dummy video
# driver, whose outputs the toolkit sees as displays (a virtual framebuffer server has only
# one output). Usage: two_displays.sh <program> [arguments...]
set -uo pipefail

work="$(mktemp -d)"
cleanup() {
  if [ -n "${server:-}" ]; then kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT

cat > "$work/xorg.conf" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 32000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0 - 1000.0
  VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 1440 600
  EndSubSection
EndSection
CONF

# The server writes its display number to a pipe once it accepts clients.
exec {numbers}<> <(:)
Xorg -displayfd "$numbers" -noreset -nolisten tcp -config "$work/xorg.conf" \
  -logfile "$work/xorg.log" >"$work/out.log" 2>&1 &
server=$!
number=""
read -r -t 20 number <&"$numbers"
if [ -z "$number" ]; then
  echo "The X server with two displays did not start:" >&2
  cat "$work/out.log" "$work/xorg.log" >&2 2>/dev/null
  exit 1
fi
export DISPLAY=":$number"

# The first output is the primary display; the second one goes right of it.
if ! xrandr --output DUMMY0 --mode 800x600 --primary ||
   ! xrandr --addmode DUMMY1 640x480 ||
   ! xrandr --output DUMMY1 --mode 640x480 --right-of DUMMY0; then
  echo "The second display could not be set up." >&2
  exit 1
fi

# A full query makes the server probe its outputs, after which clients see both displays.
xrandr --query >/dev/null

"$@"
